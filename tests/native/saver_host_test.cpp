// The host on the native platform: modes, input that ends the saver, the password rules.
#include "saver_fixture.h"

#include "saver/command_line.h"

namespace {

TEST(CommandLine, ModesAndHandles) {
    struct Case {
        const char* Text;
        SaverMode Mode;
        uintptr_t Window;
    };
    const Case cases[] = {{"", SaverMode::Configure, 0},          {"  ", SaverMode::Configure, 0},
                          {"/c:1234", SaverMode::ConfigureOwned, 0}, {"-S", SaverMode::FullScreen, 0},
                          {"/s junk", SaverMode::FullScreen, 0},   {"/p 1234", SaverMode::Preview, 1234},
                          {"/P1234x", SaverMode::Preview, 1234},   {"/p:1234", SaverMode::Preview, 0},
                          {"/l  77", SaverMode::Preview, 77},      {"/a 99", SaverMode::ChangePassword, 99},
                          {"/a", SaverMode::ChangePassword, 0},    {"/x", SaverMode::None, 0},
                          {"--/s", SaverMode::FullScreen, 0},      {"/p 99999999999999999999999", SaverMode::Preview, 0}};
    for (const Case& c : cases) {
        SaverCommand command = ParseSaverCommand(c.Text);
        EXPECT_EQ(command.Mode, c.Mode) << c.Text;
        EXPECT_EQ(command.Window, c.Window) << c.Text;
    }
    EXPECT_EQ(ParseSaverCommand(nullptr).Mode, SaverMode::Configure);
}

int configure_calls = 0;
int FakeConfigure(HINSTANCE, HWND) { return ++configure_calls; }

TEST_F(SaverTest, BadModesEndWithMinusOne) {
    EXPECT_EQ(RunSaver(nullptr, "/x", ScreenSaverProc, FakeConfigure), -1);
    EXPECT_EQ(RunSaver(nullptr, "/p 0", ScreenSaverProc, FakeConfigure), -1);
    EXPECT_EQ(RunSaver(nullptr, "/p 12345", ScreenSaverProc, FakeConfigure), -1);
    EXPECT_EQ(RunSaver(nullptr, "/a", ScreenSaverProc, FakeConfigure), 0);
    // The dialog is the entry's: a saver without one ends its configure mode with -1.
    EXPECT_EQ(RunSaver(nullptr, "/c", ScreenSaverProc, FakeConfigure), 1);
    EXPECT_EQ(RunSaver(nullptr, "", ScreenSaverProc, nullptr), -1);
}

TEST_F(SaverTest, AWindowThatCannotBeMadeEndsWithFailure) {
    Start(np::DisplayKind::NoColors, 320, 200);
    EXPECT_EQ(RunSaver(nullptr, "/s", ScreenSaverProc, nullptr), kExitWindowFailed);
    ASSERT_EQ(np::MessageBoxes().size(), 1u);
    EXPECT_EQ(np::MessageBoxes()[0].Text, "Display device does not\nsupport a palette");
    ExpectNothingLeaked();
}

TEST_F(SaverTest, MouseMovesAddUpPastFourPixels) {
    np::SetCursorPosition(100, 100);
    HWND window = OpenFullScreen();
    EXPECT_TRUE(np::CursorHidden());
    np::SetCursorPosition(102, 102);
    np::QueueInput(window, WM_MOUSEMOVE);
    ASSERT_TRUE(RunUntil(WM_MOUSEMOVE));
    EXPECT_EQ(Delivered(WM_CLOSE), 0u);
    np::SetCursorPosition(103, 100);
    np::QueueInput(window, WM_MOUSEMOVE);
    ASSERT_TRUE(RunUntil(WM_MOUSEMOVE));
    np::SetCursorPosition(103, 102);  // 3 right, then 2 down: 5 > 4
    np::QueueInput(window, WM_MOUSEMOVE);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_FALSE(IsWindow(window));
    ExpectNothingLeaked();
}

TEST_F(SaverTest, KeysAndClicksCloseFullScreenButNotPreview) {
    for (UINT input : {(UINT)WM_KEYDOWN, (UINT)WM_SYSKEYDOWN, (UINT)WM_LBUTTONDOWN, (UINT)WM_RBUTTONDOWN,
                       (UINT)WM_MBUTTONDOWN}) {
        Start(np::DisplayKind::TrueColor, 64, 48);
        HWND window = OpenFullScreen();
        np::QueueInput(window, input);
        ASSERT_TRUE(RunUntil(WM_CLOSE)) << input;
        EXPECT_FALSE(IsWindow(window)) << input;
    }
    Start(np::DisplayKind::TrueColor, 640, 480);
    HWND parent = MakeParent(0, 0, 300, 300);
    HWND preview = OpenSaverWindow(nullptr, parent, ScreenSaverProc, SettingsSource{});
    np::SetCursorPosition(0, 0);
    for (UINT input : {(UINT)WM_KEYDOWN, (UINT)WM_LBUTTONDOWN, (UINT)WM_MOUSEMOVE}) np::QueueInput(preview, input);
    np::SetCursorPosition(200, 200);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_TRUE(IsWindow(preview));
    EXPECT_EQ(Delivered(WM_CLOSE), 0u);
}

int verifier_calls = 0;
BOOL verifier_answer = FALSE;
BOOL FakeVerifier(HWND) {
    verifier_calls++;
    return verifier_answer;
}

// A full-screen start with password protection whose verifier refuses for now.
HWND StartProtected() {
    verifier_calls = 0;
    verifier_answer = FALSE;
    np::SetPasswordProtection(1, FakeVerifier);
    bool already_running;
    return StartFullScreen(nullptr, ScreenSaverProc, SettingsSource{}, already_running);
}

TEST_F(SaverTest, PasswordRules) {
    HWND window = StartProtected();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(np::ScreenSaverRunningCalls(), std::vector<BOOL>{TRUE});

    np::QueueInput(window, WM_KEYDOWN);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_EQ(verifier_calls, 1);
    EXPECT_TRUE(IsWindow(window));

    // Within 200 ms of the refusal: refused without asking.
    np::AdvanceClock(150);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_EQ(verifier_calls, 1);

    np::AdvanceClock(100);
    verifier_answer = TRUE;
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_EQ(verifier_calls, 2);
    EXPECT_FALSE(IsWindow(window));  // and the system hears at once that no saver runs
    EXPECT_EQ(np::ScreenSaverRunningCalls(), (std::vector<BOOL>{TRUE, FALSE}));
}

TEST_F(SaverTest, RefusedCloseResumesAStoppedDrawing) {
    HWND window = StartProtected();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    PostMessageA(window, WM_CLOSE, 0, 0);  // stands behind the draw request and stops it
    ASSERT_TRUE(RunUntil(SSM_DRAWIMAGE));
    EXPECT_EQ(Delivered(SSM_IMAGEDONE), 0u);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_EQ(verifier_calls, 1);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));  // a new picture was started and finished
    EXPECT_TRUE(IsWindow(window));
}

// The drawing resumed after a refused close is paced (the loop raised the
// timer resolution for it); the still picture that follows waits for its image
// timer with the resolution given back, on Windows' coarse clock.
TEST_F(SaverTest, AStillPictureAfterPacedWorkWaitsWithTheResolutionGivenBack) {
    np::UseCoarseClock(true);
    Store("TimeOnScreen=2\nSpecialEffects=0\n");
    HWND window = StartProtected();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    PostMessageA(window, WM_CLOSE, 0, 0);  // stops the drawing; the refusal paces its restart
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 1);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    ASSERT_TRUE(RunUntil(WM_TIMER));  // two seconds of a still picture later
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 0);
    EXPECT_FALSE((TimerResolution.Raises > 0));
}

// The check removes the image timer's waiting message, which restarts the
// timer: the next picture comes a whole TimeOnScreen after the refused close.
TEST_F(SaverTest, RefusedCloseRestartsTheImageTimer) {
    Store("TimeOnScreen=3\n");
    HWND window = StartProtected();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    np::AdvanceClock(3000);  // the timer is due, and a close request stands before it
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_EQ(verifier_calls, 1);
    const uint32_t refused = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    EXPECT_EQ(GetTickCount() - refused, 3000u);
}

// Task switching and a second screen-saver start must not walk past the
// full-screen saver (and its password check); the preview lets them through.
TEST_F(SaverTest, FullScreenSwallowsTaskSwitchCommands) {
    const WPARAM commands[] = {SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE};
    auto reached_default = [](WPARAM command) {
        for (const MSG& m : np::DefaultHandledMessages())
            if (m.message == WM_SYSCOMMAND && m.wParam == command) return true;
        return false;
    };
    HWND window = OpenFullScreen();
    for (WPARAM command : commands) {
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
        EXPECT_FALSE(reached_default(command)) << command;
    }
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // others go on as usual
    EXPECT_FALSE(IsWindow(window));

    Start(np::DisplayKind::TrueColor, 640, 480);
    HWND preview = OpenSaverWindow(nullptr, MakeParent(0, 0, 300, 300), ScreenSaverProc, SettingsSource{});
    for (WPARAM command : commands) {
        SendMessageA(preview, WM_SYSCOMMAND, command, 0);
        EXPECT_TRUE(reached_default(command)) << command;
    }
}

TEST_F(SaverTest, SecondFullScreenStartFindsTheFirst) {
    bool already_running;
    HWND first = StartFullScreen(nullptr, ScreenSaverProc, SettingsSource{}, already_running);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(StartFullScreen(nullptr, ScreenSaverProc, SettingsSource{}, already_running), nullptr);
    EXPECT_TRUE(already_running);
    EXPECT_EQ(GetForegroundWindow(), first);
}

}  // namespace
