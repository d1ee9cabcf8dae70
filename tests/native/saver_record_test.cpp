// A saver is one record: the settings it loaded stay as the user wrote them,
// whatever the run chooses, and savers side by side share nothing.
#include "config/settings_record.h"
#include "saver_fixture.h"

#include <cstring>
#include <functional>

namespace {

// Equal field by field, as the file would hold them, and every palette slot.
void ExpectSameSettings(const SettingsRecord& a, const SettingsRecord& b) {
    for (const SettingKey& k : kSettingKeys)
        EXPECT_EQ(k.Stored(a.SaverSettings), k.Stored(b.SaverSettings)) << k.Key;
    for (int slot = 0; slot < kKeyColorSlots; slot++) {
        EXPECT_EQ(a.PaletteTable[slot].count, b.PaletteTable[slot].count) << "palette " << slot;
        EXPECT_EQ(0, memcmp(a.PaletteTable[slot].colors, b.PaletteTable[slot].colors, sizeof a.PaletteTable[slot].colors))
            << "palette " << slot;
    }
}

// Random palettes of random colours, random granularity, every effect: a run
// that picks a palette and a granularity for each picture, fills the scratch
// slot, and (as the display settings' small preview) switches the effects off.
const char kEverythingChosen[] =
    "TimeOnScreen=1\nRandomPalette=1\nPredefPalette=0\nRandomGranularity=1\nSpecialEffects=7\n"
    "PaletteIndex=3\nGranularity=5\n";

TEST_F(SaverTest, TheLoadedSettingsStayAsTheUserWroteThemWhateverTheRunChooses) {
    for (bool small_preview : {true, false}) {
        SCOPED_TRACE(small_preview ? "small preview" : "full screen");
        Start(np::DisplayKind::TrueColor, 640, 480);
        Store(kEverythingChosen);
        HWND window = small_preview ? OpenSaverWindow(nullptr, MakeParent(10, 10, 200, 150), ScreenSaverProc, {})
                                    : OpenFullScreen();
        ASSERT_TRUE(RunUntil(SSM_IMAGEDONE, 4));
        SaverRecord& saver = Saver(window);

        // The run did choose: the scratch slot, a granularity of its own, and
        // on the small preview no effect.
        EXPECT_EQ(saver.PaletteChooser.PaletteIndex, (uint32_t)kScratchPalette);
        EXPECT_NE(memcmp(&saver.PaletteChooser.Scratch, &saver.Settings.PaletteTable[kScratchPalette],
                         sizeof(PaletteDefinition)),
                  0);
        if (small_preview) {
            EXPECT_EQ(saver.Effects.MovingClouds + saver.Effects.TransformingClouds, 0);
        }

        // The record loaded is still what the file says.
        const SettingsRecord on_disk = ReadSettings(saver.SettingsPlace);
        EXPECT_EQ(on_disk.SaverSettings.PaletteIndex, 2u);
        EXPECT_EQ(on_disk.SaverSettings.MovingClouds, 1);
        ExpectSameSettings(saver.Settings, on_disk);

        // Saving what the saver holds writes the file the user had.
        const std::string before = ReadFile(Folder.File("control.ini"));
        ASSERT_TRUE(SaveSettings(saver.Settings, saver.SettingsPlace));
        const std::string saved = ReadFile(Folder.File("control.ini"));
        ASSERT_TRUE(SaveSettings(on_disk, saver.SettingsPlace));
        EXPECT_EQ(saved, ReadFile(Folder.File("control.ini")));
        EXPECT_NE(saved, before);  // SaveSettings writes every key, the file had only some
        DestroyWindow(window);
    }
}

// Where a saver stands on the display, and the settings it reads.
struct Placed {
    int X, Y, Width, Height;
    const char* Settings;
};

// One change of what a saver's area shows: when, and a digest of its pixels.
struct Shown {
    uint32_t Tick;
    uint64_t Digest;
    bool operator==(const Shown& o) const { return Tick == o.Tick && Digest == o.Digest; }
};

uint64_t DigestOfArea(const Placed& p) {
    uint64_t digest = 1469598103934665603ull;  // FNV-1a
    std::vector<uint32_t> row(p.Width);
    for (int y = p.Y; y < p.Y + p.Height; y++) {
        np::ScreenRowRgb(y, p.X, p.X + p.Width, row.data());
        for (uint32_t v : row) digest = (digest ^ v) * 1099511628211ull;
    }
    return digest;
}

class SideBySideTest : public SaverTest {
protected:
    // Opens each saver as a preview in a parent of its place, each reading a
    // file of its own, and steps them all on this one thread, interleaved, until
    // the clock has run `ms`. What each showed, change by change.
    std::vector<std::vector<Shown>> RunSideBySide(const std::vector<Placed>& places, uint32_t ms) {
        Start(np::DisplayKind::TrueColor, 800, 600);
        std::vector<HWND> savers;
        for (size_t i = 0; i < places.size(); i++) {
            const Placed& p = places[i];
            SettingsSource source;
            source.NamedFile = Folder.File("saver" + std::to_string(i) + ".ini");
            WriteFile(source.NamedFile, std::string("[ScreenSaver.Velmora]\n") + p.Settings);
            savers.push_back(OpenSaverWindow(nullptr, MakeParent(p.X, p.Y, p.Width, p.Height), ScreenSaverProc, source));
            EXPECT_NE(savers.back(), nullptr);
        }
        std::vector<std::vector<Shown>> shown(places.size());
        const uint32_t end = GetTickCount() + ms;
        int exit_code = 0;
        while (GetTickCount() < end && DispatchNextMessage(savers.data(), (int)savers.size(), exit_code))
            for (size_t i = 0; i < places.size(); i++) {
                const uint64_t digest = DigestOfArea(places[i]);
                if (shown[i].empty() || shown[i].back().Digest != digest) shown[i].push_back({GetTickCount(), digest});
            }
        // A step may take the clock past the end; what it showed there is cut
        // off, as it is for a saver that ran alone and never got that far.
        for (std::vector<Shown>& changes : shown)
            while (!changes.empty() && changes.back().Tick >= end) changes.pop_back();
        for (HWND saver : savers) DestroyWindow(saver);
        return shown;
    }
};

// Two savers of different sizes and settings at once on one thread each show
// exactly the pictures, colours and steps they show alone, at the same times:
// one moves and cycles its colours, switching effects, the other fades from
// one picture to the next with a random palette.
TEST_F(SideBySideTest, TwoSaversAtOnceEachShowWhatItShowsAlone) {
    const Placed moving = {0, 0, 400, 300,
                           "TimeOnScreen=1\nSpecialEffects=3\nEffectCycle=4\nMovingSpeed=6\nPsycheDelay=40\n"
                           "ContColorChange=1\nGranularity=3\nRandomGranularity=0\n"};
    const Placed fading = {430, 320, 330, 260,
                           "TimeOnScreen=2\nSpecialEffects=4\nTransformSteps=30\nEffectCycle=30\n"
                           "RandomPalette=1\nPredefPalette=0\nSymmetry=2\n"};
    const std::vector<std::vector<Shown>> together = RunSideBySide({moving, fading}, 12000);
    const std::vector<Shown> moving_alone = RunSideBySide({moving}, 12000)[0];
    const std::vector<Shown> fading_alone = RunSideBySide({fading}, 12000)[0];

    EXPECT_GT(moving_alone.size(), 20u);  // it moved, and more than one picture came
    EXPECT_GT(fading_alone.size(), 20u);
    EXPECT_TRUE(together[0] == moving_alone) << together[0].size() << " changes together, " << moving_alone.size()
                                             << " alone";
    EXPECT_TRUE(together[1] == fading_alone) << together[1].size() << " changes together, " << fading_alone.size()
                                             << " alone";
}

// A saver that goes leaves the one beside it running as it would alone.
TEST_F(SideBySideTest, ASaverClosedBesideAnotherTakesNothingOfItWith) {
    const char settings[] = "TimeOnScreen=1\nSpecialEffects=2\nPsycheDelay=20\n";
    Start(np::DisplayKind::TrueColor, 800, 600);
    WriteFile(Folder.File("a.ini"), std::string("[ScreenSaver.Velmora]\n") + settings);
    SettingsSource source;
    source.NamedFile = Folder.File("a.ini");
    HWND first = OpenSaverWindow(nullptr, MakeParent(0, 0, 300, 300), ScreenSaverProc, source);
    HWND second = OpenSaverWindow(nullptr, MakeParent(400, 0, 300, 300), ScreenSaverProc, source);
    ASSERT_TRUE(first && second);
    HWND both[] = {first, second};
    int exit_code = 0;
    while (Delivered(SSM_IMAGEDONE) < 2) ASSERT_TRUE(DispatchNextMessage(both, 2, exit_code));
    DestroyWindow(first);
    EXPECT_EQ(SaverOf(first), nullptr);
    ASSERT_NE(SaverOf(second), nullptr);
    MSG quit;  // a preview that goes ends its process: here the process has another saver
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    const size_t steps = Delivered(SSM_CYCLESTEP);
    for (int i = 0; i < 200; i++) ASSERT_TRUE(DispatchNextMessage(&second, 1, exit_code));
    EXPECT_GT(Delivered(SSM_CYCLESTEP), steps);  // its colours still turn
    EXPECT_TRUE(IsWindow(second));
    DestroyWindow(second);
    ExpectNothingLeaked();
}

}  // namespace

namespace {

// The saver windows whose handlers are running, innermost last.
std::vector<HWND> Running;
bool RanInsideAnother = false;

LRESULT CALLBACK WatchedSaver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    for (HWND other : Running) RanInsideAnother |= other != window;
    Running.push_back(window);
    const LRESULT result = ScreenSaverProc(window, message, wparam, lparam);
    Running.pop_back();
    return result;
}

// While one saver generates, it lets messages through; one of the saver beside
// it waits until that work is done, so no saver's handler ever runs inside
// another's (where its own timer would not stop it).
TEST_F(SideBySideTest, NoSaverRunsInsideAnothersWork) {
    Start(np::DisplayKind::TrueColor, 1000, 600);
    Running.clear();
    RanInsideAnother = false;
    Store("TimeOnScreen=1\nSpecialEffects=3\nEffectCycle=2\nPsycheDelay=20\nMovingSpeed=8\n");
    HWND savers[] = {OpenSaverWindow(nullptr, MakeParent(0, 0, 600, 600), WatchedSaver, {}),
                     OpenSaverWindow(nullptr, MakeParent(600, 0, 400, 300), WatchedSaver, {})};
    ASSERT_TRUE(savers[0] && savers[1]);
    int exit_code = 0;
    const uint32_t end = GetTickCount() + 6000;
    while (GetTickCount() < end) ASSERT_TRUE(DispatchNextMessage(savers, 2, exit_code));
    EXPECT_GE(Delivered(SSM_IMAGEDONE), 8u);  // both made pictures, moved and cycled meanwhile
    EXPECT_FALSE(RanInsideAnother);
    for (HWND saver : savers) DestroyWindow(saver);
}

}  // namespace
