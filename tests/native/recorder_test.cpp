// Recording to an animated GIF: the frames, their delays and colours against
// the in-memory display at each frame's start, read back with giflib.
#include "recording_fixture.h"

#include "linux/gif_writer.h"

#include <gif_lib.h>

#include <cstdlib>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

struct DecodedFrame {
    int Delay;  // hundredths
    std::vector<uint32_t> Canvas;  // what the animation shows with this frame
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

// The frames are the display as it stood at the start of each fiftieth of a
// second, each lasting two hundredths or, where the picture did not change,
// a whole number of them; together the recorded length.
void ExpectFramesMatch(const std::vector<Snapshot>& snapshots, uint32_t seconds, int width, int height,
                       const std::string& out) {
    int w = 0, h = 0;
    const std::vector<DecodedFrame> frames = Decode(out, w, h);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    ASSERT_FALSE(frames.empty());
    uint32_t start = 0;  // hundredths
    for (size_t k = 0; k < frames.size(); k++) {
        ASSERT_GE(frames[k].Delay, 2) << "frame " << k;
        ASSERT_EQ(frames[k].Delay % 2, 0) << "frame " << k;
        for (uint32_t slot = start; slot < start + (uint32_t)frames[k].Delay; slot += 2) {
            const std::vector<uint32_t>* display = DisplayAt(snapshots, slot * 10);
            ASSERT_NE(display, nullptr) << "the saver draws at once";
            ASSERT_TRUE(frames[k].Canvas == *display) << "frame " << k << ", the display at " << slot * 10 << " ms";
        }
        if (k > 0) {
            EXPECT_FALSE(frames[k].Canvas == frames[k - 1].Canvas) << "frame " << k << " repeats the last";
        }
        start += (uint32_t)frames[k].Delay;
    }
    EXPECT_EQ(start, seconds * 100);
}

TEST_F(Recording, ColourCyclingAtItsOwnDelayOnBothKindsOfDisplay) {
    for (np::DisplayKind kind : {np::DisplayKind::TrueColor, np::DisplayKind::Palette256}) {
        const std::string out = Folder.File(kind == np::DisplayKind::TrueColor ? "rgb.gif" : "palette.gif");
        const auto snapshots =
            Record(kind, "TimeOnScreen=1\nSpecialEffects=2\nPsycheDelay=30\nContColorChange=1\n", 2, 320, 200, out);
        ASSERT_GT(snapshots.size(), 50u);
        // After the first picture the colours move every 30 ms.
        int at_delay = 0;
        for (size_t i = 2; i < snapshots.size(); i++) at_delay += snapshots[i].TimeMs - snapshots[i - 1].TimeMs == 30;
        EXPECT_GT(at_delay, (int)snapshots.size() * 3 / 4);
        ExpectFramesMatch(snapshots, 2, 320, 200, out);
    }
    // Colours that move every 10 ms: a frame every fiftieth of a second, no shorter.
    const std::string fast = Folder.File("fast.gif");
    const auto snapshots =
        Record(np::DisplayKind::TrueColor, "TimeOnScreen=0\nSpecialEffects=2\nPsycheDelay=10\n", 1, 160, 100, fast);
    ExpectFramesMatch(snapshots, 1, 160, 100, fast);
    int w = 0, h = 0;
    EXPECT_EQ(Decode(fast, w, h).size(), 50u);
}

TEST_F(Recording, TransitionsComeOneDisplayFrameApart) {
    const std::string out = Folder.File("fade.gif");
    const auto snapshots = Record(np::DisplayKind::TrueColor,
                                  "TimeOnScreen=1\nSpecialEffects=4\nTransformSteps=10\nEffectCycle=1\n", 1, 300, 260, out);
    ASSERT_GT(snapshots.size(), 20u);
    ASSERT_EQ(snapshots[1].TimeMs, 0u);  // the first picture: the window blanked, then drawn
    for (size_t i = 2; i < snapshots.size(); i++) {
        const uint32_t gap = snapshots[i].TimeMs - snapshots[i - 1].TimeMs;
        EXPECT_TRUE(gap == 16 || gap == 17) << i << ": " << gap << " at " << snapshots[i].TimeMs;  // 60 Hz
    }
    ExpectFramesMatch(snapshots, 1, 300, 260, out);
}

TEST_F(Recording, AStillPictureIsOneFrameForTheWholeTime) {
    const std::string out = Folder.File("still.gif");
    const auto snapshots = Record(np::DisplayKind::TrueColor, "TimeOnScreen=0\nSpecialEffects=0\n", 700, 40, 30, out);
    ASSERT_FALSE(snapshots.empty());
    // 70000 hundredths are more than one frame can hold: a second frame carries the rest.
    int w = 0, h = 0;
    const std::vector<DecodedFrame> frames = Decode(out, w, h);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Delay, 65534);
    EXPECT_EQ(frames[1].Delay, 70000 - 65534);
    EXPECT_TRUE(frames[0].Canvas == snapshots.back().Rgb);
    EXPECT_TRUE(frames[1].Canvas == snapshots.back().Rgb);
}

TEST_F(Recording, AFileThatCannotBeWrittenLeavesNothingBehind) {
    StartFreshProcess(np::DisplayKind::TrueColor, 64, 48);
    RecordOptions options;
    options.Path = Folder.File("missing/out.gif");
    options.Width = 64;
    options.Height = 48;
    options.Seconds = 1;
    std::string problem;
    EXPECT_FALSE(RecordSaver(options, nullptr, problem));
    EXPECT_EQ(problem, "No such file or directory");
    EXPECT_EQ(ListFolder(Folder.path()), std::vector<std::string>{});
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
        ASSERT_TRUE(BeginGif(gif, open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), width, height)) << gif.Problem;
        std::vector<uint32_t> as_display(picture.size());  // COLORREF values, as the display holds them
        for (size_t i = 0; i < picture.size(); i++)
            as_display[i] = (picture[i] & 0xFF) << 16 | (picture[i] & 0xFF00) | (picture[i] >> 16 & 0xFF);
        ASSERT_TRUE(GifStateFrom(gif, 0, as_display.data()));
        ASSERT_TRUE(EndGif(gif, 100)) << gif.Problem;
        int w = 0, h = 0;
        const std::vector<DecodedFrame> frames = Decode(out, w, h);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].Delay, 100);
        int inexact = 0;
        for (size_t i = 0; i < picture.size(); i++) {
            const uint32_t a = picture[i], b = frames[0].Canvas[i];
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

