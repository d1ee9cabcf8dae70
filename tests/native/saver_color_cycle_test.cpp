// Colour cycling on the native platform with the test clock: the rotation in
// index and colour mode, the feed, the cadence, the time limit, one chain at
// most, and input that is never starved.
#include "saver_fixture.h"

#include <array>
#include <chrono>
#include <thread>

namespace {

using Entries = std::vector<PALETTEENTRY>;

Entries DisplayEntries() {
    const LOGPALETTE* p = Saver().SaverState.DisplayPalette;
    return Entries(p->palPalEntry, p->palPalEntry + p->palNumEntries);
}

bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}

std::array<uint8_t, 4> ColorTableEntry(int32_t j) {
    const uint8_t* at = Saver().SaverState.DisplayHeader + kHeaderFieldsBytes + 4 * j;
    return {at[0], at[1], at[2], at[3]};
}

class ColorCycleTest : public SaverTest {
protected:
    // A full-screen saver on this display whose first picture is complete.
    HWND StartCycling(np::DisplayKind kind, const std::string& settings) {
        Start(kind, 320, 256);
        Store("SpecialEffects=2\n" + settings);
        HWND window = OpenFullScreen();
        EXPECT_TRUE(RunUntil(SSM_IMAGEDONE));
        return window;
    }
};

TEST_F(ColorCycleTest, IndexModeComesBackAfterAFullTurnAndLeavesSystemEntries) {
    StartCycling(np::DisplayKind::Palette256, "TimeOnScreen=0\nContColorChange=0\nPsycheDelay=0\n");
    const Entries start = DisplayEntries();
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
    // One rotation: each position shows the colour of the one above it, at once on the screen.
    const Entries once = DisplayEntries();
    for (int p = 10; p < 245; p++) ASSERT_TRUE(Same(once[p], start[p + 1])) << p;
    ASSERT_TRUE(Same(once[245], start[10]));
    uint8_t v = Saver().SaverState.ShownImage[0];  // a pixel of the bottom row, cell (0, 255)
    const PALETTEENTRY& shows = once[v];
    EXPECT_EQ(np::ScreenPixel(0, 255), RGB(shows.peRed, shows.peGreen, shows.peBlue));
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 117));
    const Entries half = DisplayEntries();
    EXPECT_FALSE(Same(half[10], start[10]));
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 118));  // 236 rotations in all
    const Entries full = DisplayEntries();
    for (int p = 0; p < 256; p++) EXPECT_TRUE(Same(full[p], start[p])) << p;
    for (int p : {0, 9, 246, 255}) EXPECT_TRUE(Same(half[p], start[p])) << p;
}

TEST_F(ColorCycleTest, FeedPaletteReplacesTheColorsThenANewOneIsChosen) {
    StartCycling(np::DisplayKind::Palette256, "TimeOnScreen=0\nContColorChange=1\nPsycheDelay=0\n");
    const size_t chosen_before = Delivered(SSM_CHOOSEPALETTE);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
    EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen_before + 1);  // the first rotation chooses a feed
    const LOGPALETTE* feed = Saver().SaverState.FeedPalette;
    const Entries feed_colors(feed->palPalEntry, feed->palPalEntry + 256);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 235));
    EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen_before + 1);
    const Entries shown = DisplayEntries();
    for (int p = 10; p <= 245; p++) EXPECT_TRUE(Same(shown[p], feed_colors[p])) << p;
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
    EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen_before + 2);  // the feed wrapped: another one
}

TEST_F(ColorCycleTest, ColorModeRotatesTheTableAndRepaints) {
    StartCycling(np::DisplayKind::TrueColor, "TimeOnScreen=0\nContColorChange=0\nPsycheDelay=0\n");
    const std::array<uint8_t, 4> top = ColorTableEntry(245), next = ColorTableEntry(11);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
    EXPECT_EQ(ColorTableEntry(10), next);
    EXPECT_EQ(ColorTableEntry(244), top);
    // The picture on the screen shows the rotated table.
    const uint8_t v = Saver().SaverState.ShownImage[0];
    const std::array<uint8_t, 4> c = ColorTableEntry(v);
    EXPECT_EQ(np::ScreenPixel(0, 255), RGB(c[2], c[1], c[0]));
}

// "Pepper" (1) and "Confetti" (2) both step two positions in colour mode.
TEST_F(ColorCycleTest, PepperKeepsTheTopEntryAndTheParityOfColors) {
    for (const char* extra : {"1", "2"})
        for (const char* feed : {"0", "1"}) {
            SCOPED_TRACE(std::string("PsycheExtra ") + extra + ", ContColorChange " + feed);
            StartCycling(np::DisplayKind::TrueColor, std::string("TimeOnScreen=0\nPsycheDelay=0\nPsycheExtra=") +
                                                         extra + "\nContColorChange=" + feed + "\n");
            const std::array<uint8_t, 4> last = ColorTableEntry(245), third = ColorTableEntry(12);
            ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
            EXPECT_EQ(ColorTableEntry(10), third);  // two positions down
            ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 300));
            EXPECT_EQ(ColorTableEntry(245), last);
        }
    // The feed moves two positions a rotation too: it starts over after 236 / 2 rotations.
    StartCycling(np::DisplayKind::TrueColor, "TimeOnScreen=0\nPsycheDelay=0\nPsycheExtra=1\nContColorChange=1\n");
    const size_t chosen = Delivered(SSM_CHOOSEPALETTE);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 118));
    EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen + 1);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
    EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen + 2);
}

TEST_F(ColorCycleTest, RotationsComeEveryPsycheDelayOfTheClock) {
    for (int delay : {10, 0, 35}) {
        StartCycling(np::DisplayKind::Palette256, "TimeOnScreen=0\nPsycheDelay=" + std::to_string(delay) + "\n");
        const uint32_t start = GetTickCount();
        ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 101));
        const uint32_t elapsed = GetTickCount() - start;
        EXPECT_EQ(elapsed, (uint32_t)delay * 100) << delay;  // the first step only waits for the first due time
    }
}

// A step that comes late (each look at the queue costs time here) does not
// push the next one later: 100 rotations take 100 delays, not more.
TEST_F(ColorCycleTest, LateStepsKeepTheCadence) {
    StartCycling(np::DisplayKind::TrueColor, "TimeOnScreen=0\nPsycheDelay=10\n");
    np::SetPeekCost(1);
    ASSERT_TRUE(RunUntil(WM_PAINT, 1));  // in colour mode each rotation repaints
    const uint32_t first = GetTickCount();
    ASSERT_TRUE(RunUntil(WM_PAINT, 100));
    EXPECT_GE(GetTickCount() - first, 1000u);
    EXPECT_LE(GetTickCount() - first, 1010u);
}

// A hand-edited negative delay is no delay: the colours flow as fast as they can.
TEST_F(ColorCycleTest, ANegativeDelayRotatesWithoutDelay) {
    StartCycling(np::DisplayKind::Palette256, "TimeOnScreen=0\nContColorChange=0\nPsycheDelay=-5\n");
    const Entries start = DisplayEntries();
    const uint32_t begun = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 236));
    const Entries turned = DisplayEntries();
    for (int p = 10; p < 245; p++) EXPECT_TRUE(Same(turned[p], start[p])) << p;  // a full turn
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
    EXPECT_TRUE(Same(DisplayEntries()[10], start[11]));
    EXPECT_EQ(GetTickCount(), begun);
}

// Every picture starts its feed afresh: its first rotation chooses a new palette.
TEST_F(ColorCycleTest, EachPictureStartsANewFeed) {
    StartCycling(np::DisplayKind::Palette256, "TimeOnScreen=1\nContColorChange=1\nPsycheDelay=0\n");
    np::SetPeekCost(1);  // the clock moves on between rotations, to the picture's end
    for (int picture = 0; picture < 2; picture++) {
        const size_t chosen = Delivered(SSM_CHOOSEPALETTE);
        ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 1));
        EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen + 1) << picture;
        ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 40));
        EXPECT_EQ(Delivered(SSM_CHOOSEPALETTE), chosen + 1) << picture;
        ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));  // after the second the next picture is done
    }
}

TEST_F(ColorCycleTest, TheTimeLimitEndsTheChainAndTheTimerStartsTheNextPicture) {
    StartCycling(np::DisplayKind::TrueColor, "TimeOnScreen=2\nPsycheDelay=10\n");
    const uint32_t done = GetTickCount();
    const size_t steps_before = Delivered(SSM_CYCLESTEP);
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    EXPECT_EQ(GetTickCount() - done, 2000u);
    EXPECT_GE(Delivered(SSM_CYCLESTEP) - steps_before, 195u);
    EXPECT_FALSE(Saver().PacedMessage.Pending);  // the chain has ended
    // Nothing rotates while the next picture is drawn.
    const size_t steps_at_new_image = Delivered(SSM_CYCLESTEP);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_EQ(Delivered(SSM_CYCLESTEP), steps_at_new_image);
}

TEST_F(ColorCycleTest, OnlyOneChainEverRuns) {
    HWND window = StartCycling(np::DisplayKind::Palette256, "TimeOnScreen=0\nPsycheDelay=10\n");
    SendMessageA(window, SSM_IMAGEDONE, 0, 0);  // a second start replaces the first chain
    SendMessageA(window, SSM_IMAGEDONE, 0, 0);
    const uint32_t start = GetTickCount();
    const size_t steps = Delivered(SSM_CYCLESTEP);
    while (GetTickCount() - start < 1000) ASSERT_TRUE(Step());
    EXPECT_LE(Delivered(SSM_CYCLESTEP) - steps, 102u);
}

TEST_F(ColorCycleTest, InputEndsTheSaverAtOnceWhileColorsCycle) {
    struct Case {
        np::DisplayKind Kind;
        const char* Settings;
        UINT Input;
    };
    const Case cases[] = {
        {np::DisplayKind::Palette256, "TimeOnScreen=0\nPsycheDelay=0\n", WM_KEYDOWN},
        {np::DisplayKind::TrueColor, "TimeOnScreen=0\nPsycheDelay=0\n", WM_LBUTTONDOWN},
        {np::DisplayKind::Palette256, "TimeOnScreen=3\nPsycheDelay=10\n", WM_MOUSEMOVE},
        {np::DisplayKind::TrueColor, "TimeOnScreen=3\nPsycheDelay=10\n", WM_KEYDOWN},
    };
    for (const Case& c : cases) {
        HWND window = StartCycling(c.Kind, c.Settings);
        ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 20));
        const uint32_t asked = GetTickCount();
        np::SetCursorPosition(100, 100);  // far from where the saver started
        np::QueueInput(window, c.Input);
        for (int i = 0; i < 50 && IsWindow(window); i++) Step();
        EXPECT_FALSE(IsWindow(window)) << c.Settings << " input " << c.Input;
        EXPECT_LE(GetTickCount() - asked, 100u) << c.Settings;
    }
}

// On the real clock the wait for the next rotation is a wait for input: a
// key pressed meanwhile ends the saver at once, not after the rotation.
TEST_F(ColorCycleTest, AKeyDuringTheWaitForTheNextRotationEndsItAtOnce) {
    Start(np::DisplayKind::Palette256, 64, 48);
    Store("SpecialEffects=2\nTimeOnScreen=0\nPsycheDelay=400\n");
    HWND window = nullptr;
    bool press_a_key = false;
    int waits_for_input = 0;
    np::UseRealTime({[&](DWORD milliseconds) {
                         waits_for_input++;
                         if (press_a_key && window) {
                             np::QueueInput(window, WM_KEYDOWN);
                             press_a_key = false;
                             return;
                         }
                         std::this_thread::sleep_for(std::chrono::milliseconds(std::min<DWORD>(milliseconds, 20)));
                     },
                     [] {}});
    window = OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 2));
    ASSERT_TRUE(Saver().PacedMessage.Pending);  // the next rotation is some 400 ms away
    press_a_key = true;
    const auto pressed = std::chrono::steady_clock::now();
    for (int i = 0; i < 10 && IsWindow(window); i++) Step();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(press_a_key) << "the loop never waited for input";
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::milliseconds(300));
    EXPECT_GT(waits_for_input, 0);
}

TEST_F(ColorCycleTest, CyclingStoppedForARefusedCloseGoesOn) {
    Start(np::DisplayKind::Palette256, 320, 256);
    np::SetPasswordProtection(1, [](HWND) -> BOOL { return FALSE; });
    Store("SpecialEffects=2\nTimeOnScreen=0\nPsycheDelay=10\n");
    bool already_running;
    HWND window = StartFullScreen(nullptr, ScreenSaverProc, SettingsSource{}, already_running);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 5));
    // The chain's step finds a close request waiting behind it, and the chain stops.
    ASSERT_TRUE(Saver().PacedMessage.Pending);
    const PacedMessageRecord step = Saver().PacedMessage;
    CancelPacedMessage(Saver().PacedMessage);
    np::SetTickCount(step.Due);
    PostMessageA(window, step.Message, step.WParam, step.LParam);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_TRUE(IsWindow(window));
    const size_t steps = Delivered(SSM_CYCLESTEP);
    const Entries before = DisplayEntries();
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 10));  // and goes on once the close was refused
    EXPECT_FALSE(Same(DisplayEntries()[10], before[10]));
    EXPECT_EQ(Delivered(SSM_CYCLESTEP), steps + 10);
}

}  // namespace
