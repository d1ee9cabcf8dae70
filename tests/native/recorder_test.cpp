// Recording to an animated GIF: the frames, their delays and colours against
// the in-memory display at the times the saver changed it, read back with giflib.
#include "config/settings.h"
#include "config/settings_location.h"
#include "linux/gif_writer.h"
#include "linux/recorder.h"
#include "platform/native/test_hooks.h"
#include "support/fresh_process.h"
#include "support/temp_folder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <vector>

namespace np = native_platform;

namespace {

struct Snapshot {
    uint32_t time_ms;
    std::vector<uint32_t> rgb;
};

struct DecodedFrame {
    int delay;  // hundredths
    std::vector<uint32_t> canvas;  // what the animation shows with this frame
};

std::vector<DecodedFrame> Decode(const std::string& path, int& width, int& height) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    EXPECT_NE(gif, nullptr) << GifErrorString(error);
    std::vector<DecodedFrame> frames;
    if (!gif) return frames;
    EXPECT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    width = gif->SWidth;
    height = gif->SHeight;
    std::vector<uint32_t> canvas((size_t)width * height, 0xFF000000u);
    for (int i = 0; i < gif->ImageCount; i++) {
        const SavedImage& image = gif->SavedImages[i];
        GraphicsControlBlock control = {};
        DGifSavedExtensionToGCB(gif, i, &control);
        EXPECT_EQ(control.DisposalMode, DISPOSE_DO_NOT);
        const ColorMapObject* map = image.ImageDesc.ColorMap;
        EXPECT_NE(map, nullptr) << "frame " << i << " has no colour table of its own";
        if (!map) break;
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; y++)
            for (int x = 0; x < d.Width; x++) {
                const GifColorType c = map->Colors[image.RasterBits[(size_t)y * d.Width + x]];
                canvas[(size_t)(d.Top + y) * width + d.Left + x] = (uint32_t)c.Red << 16 | c.Green << 8 | c.Blue;
            }
        frames.push_back({control.DelayTime, canvas});
    }
    DGifCloseFile(gif, &error);
    return frames;
}

class Recording : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override { setenv(kConfigDirVariable, folder.path().c_str(), 1); }
    void TearDown() override { unsetenv(kConfigDirVariable); }

    // Records with these settings; every change of the display is kept.
    std::vector<Snapshot> Record(np::DisplayKind kind, const std::string& settings, uint32_t seconds, int width,
                                 int height, const std::string& out) {
        StartFreshProcess(kind, width, height);
        WriteFile(folder.File("control.ini"), "[ScreenSaver.Velmora]\n" + settings);
        RecordOptions options;
        options.path = out;
        options.width = width;
        options.height = height;
        options.palette_device = kind == np::DisplayKind::Palette256;
        options.seconds = seconds;
        options.calendar_ms = 1700000000000ull;
        std::vector<Snapshot> snapshots;
        std::string problem;
        EXPECT_TRUE(RecordSaver(options,
                                [&](uint32_t time_ms) {
                                    Snapshot s{time_ms, std::vector<uint32_t>((size_t)width * height)};
                                    for (int y = 0; y < height; y++)
                                        np::ScreenRowRgb(y, 0, width, s.rgb.data() + (size_t)y * width);
                                    snapshots.push_back(std::move(s));
                                },
                                problem))
            << problem;
        return snapshots;
    }

    // The frames must be the display's states, the last of each hundredth of a
    // second, each lasting until the next one's hundredth.
    void ExpectFramesMatch(const std::vector<Snapshot>& snapshots, uint32_t seconds, int width, int height,
                           const std::string& out) {
        std::map<uint32_t, const Snapshot*> last_per_hundredth;
        for (const Snapshot& s : snapshots) last_per_hundredth[(s.time_ms + 5) / 10] = &s;
        ASSERT_FALSE(last_per_hundredth.empty());
        ASSERT_EQ(last_per_hundredth.begin()->first, 0u) << "the saver draws at once";
        int w = 0, h = 0;
        const std::vector<DecodedFrame> frames = Decode(out, w, h);
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        ASSERT_EQ(frames.size(), last_per_hundredth.size());
        size_t k = 0;
        int total = 0;
        for (auto it = last_per_hundredth.begin(); it != last_per_hundredth.end(); ++it, ++k) {
            auto next = std::next(it);
            const uint32_t until = next == last_per_hundredth.end() ? seconds * 100 : next->first;
            EXPECT_EQ(frames[k].delay, (int)(until - it->first)) << "frame " << k;
            EXPECT_TRUE(frames[k].canvas == it->second->rgb) << "frame " << k << " at " << it->second->time_ms << " ms";
            total += frames[k].delay;
        }
        EXPECT_EQ(total, (int)seconds * 100);
    }
};

TEST_F(Recording, ColourCyclingAtItsOwnDelayOnBothKindsOfDisplay) {
    for (np::DisplayKind kind : {np::DisplayKind::TrueColor, np::DisplayKind::Palette256}) {
        const std::string out = folder.File(kind == np::DisplayKind::TrueColor ? "rgb.gif" : "palette.gif");
        const auto snapshots =
            Record(kind, "TimeOnScreen=1\nSpecialEffects=2\nPsycheDelay=30\nContColorChange=1\n", 2, 320, 200, out);
        ASSERT_GT(snapshots.size(), 50u);
        // After the first picture the colours move every 30 ms.
        int at_delay = 0;
        for (size_t i = 2; i < snapshots.size(); i++) at_delay += snapshots[i].time_ms - snapshots[i - 1].time_ms == 30;
        EXPECT_GT(at_delay, (int)snapshots.size() * 3 / 4);
        ExpectFramesMatch(snapshots, 2, 320, 200, out);
    }
}

TEST_F(Recording, TransitionsComeOneDisplayFrameApart) {
    const std::string out = folder.File("fade.gif");
    const auto snapshots = Record(np::DisplayKind::TrueColor,
                                  "TimeOnScreen=1\nSpecialEffects=4\nTransformSteps=10\nEffectCycle=1\n", 1, 300, 260, out);
    ASSERT_GT(snapshots.size(), 20u);
    ASSERT_EQ(snapshots[1].time_ms, 0u);  // the first picture: the window blanked, then drawn
    for (size_t i = 2; i < snapshots.size(); i++) {
        const uint32_t gap = snapshots[i].time_ms - snapshots[i - 1].time_ms;
        EXPECT_TRUE(gap == 16 || gap == 17) << i << ": " << gap << " at " << snapshots[i].time_ms;  // 60 Hz
    }
    ExpectFramesMatch(snapshots, 1, 300, 260, out);
}

TEST_F(Recording, AStillPictureIsOneFrameForTheWholeTime) {
    const std::string out = folder.File("still.gif");
    const auto snapshots = Record(np::DisplayKind::TrueColor, "TimeOnScreen=0\nSpecialEffects=0\n", 700, 40, 30, out);
    ASSERT_FALSE(snapshots.empty());
    // 70000 hundredths are more than one frame can hold: a second frame carries the rest.
    int w = 0, h = 0;
    const std::vector<DecodedFrame> frames = Decode(out, w, h);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].delay, 65535);
    EXPECT_EQ(frames[1].delay, 70000 - 65535);
    EXPECT_TRUE(frames[0].canvas == snapshots.back().rgb);
    EXPECT_TRUE(frames[1].canvas == snapshots.back().rgb);
}

TEST_F(Recording, AFileThatCannotBeWrittenLeavesNothingBehind) {
    StartFreshProcess(np::DisplayKind::TrueColor, 64, 48);
    RecordOptions options;
    options.path = folder.File("missing/out.gif");
    options.width = 64;
    options.height = 48;
    options.seconds = 1;
    std::string problem;
    EXPECT_FALSE(RecordSaver(options, nullptr, problem));
    EXPECT_NE(problem.find("missing/out.gif"), std::string::npos) << problem;

    // A file already there stays as it was when the recording fails (here:
    // its temporary name is taken by a folder).
    const std::string kept = folder.File("kept.gif");
    WriteFile(kept, "mine");
    ASSERT_EQ(mkdir((kept + ".part").c_str(), 0755), 0);
    options.path = kept;
    EXPECT_FALSE(RecordSaver(options, nullptr, problem));
    EXPECT_EQ(ReadFile(kept), "mine");
}

// A frame of 256 colours is exact; past that the most frequent 256 stay exact
// and the others take a near one.
TEST(GifWriter, TwoHundredFiftySixColoursAreExactAndMoreAreNear) {
    TempFolder folder;
    // 512: the first 256 three times each, then each other once; 257: the
    // first 256 four times each (but one), and one more colour once.
    for (int distinct : {256, 257, 512}) {
        const int width = 32, height = 32;
        std::vector<uint32_t> picture((size_t)width * height);
        auto color = [](uint32_t k) { return (k & 15) << 4 | (k >> 4 & 15) << 12 | (k >> 8 & 15) << 20; };  // distinct
        for (size_t i = 0; i < picture.size(); i++)
            picture[i] = distinct == 257 ? color(i + 1 == picture.size() ? 256u : (uint32_t)(i % 256))
                         : i < 768 || distinct == 256
                             ? color((uint32_t)(i % 256))
                             : color(256 + (uint32_t)(i - 768) % (uint32_t)(distinct - 256));
        const std::string out = folder.File("colours-" + std::to_string(distinct) + ".gif");
        GifRecording gif;
        ASSERT_TRUE(BeginGif(gif, out, width, height)) << gif.problem;
        ASSERT_TRUE(ChangeGif(gif, 0, 0, height, [&](int y, uint32_t* row) {
            std::copy(picture.begin() + (size_t)y * width, picture.begin() + (size_t)(y + 1) * width, row);
        }));
        ASSERT_TRUE(EndGif(gif, 1000)) << gif.problem;
        int w = 0, h = 0;
        const std::vector<DecodedFrame> frames = Decode(out, w, h);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].delay, 100);
        int inexact = 0;
        for (size_t i = 0; i < picture.size(); i++) {
            const uint32_t a = picture[i], b = frames[0].canvas[i];
            if (a == b) continue;
            inexact++;
            EXPECT_GE(i, 768u) << "a frequent colour changed";
            auto distance = [](uint32_t p, uint32_t q) {
                int d = 0;
                for (int shift : {0, 8, 16}) d += ((int)(p >> shift & 255) - (int)(q >> shift & 255)) * ((int)(p >> shift & 255) - (int)(q >> shift & 255));
                return d;
            };
            int nearest = INT32_MAX;
            for (uint32_t k = 0; k < 256; k++) nearest = std::min(nearest, distance(a, color(k)));
            EXPECT_EQ(distance(a, b), nearest) << "pixel " << i;
        }
        if (distinct == 256) EXPECT_EQ(inexact, 0);
        else if (distinct == 257) EXPECT_EQ(inexact, 1);
        else EXPECT_GT(inexact, 0);
    }
}

}  // namespace

