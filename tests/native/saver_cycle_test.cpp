// The image cycle on the native platform with the test clock.
#include "saver_fixture.h"

namespace {

const std::vector<UINT> kOneStillPicture = {SSM_NEWIMAGE, SSM_CLEARSCREEN, SSM_CHOOSEPALETTE, SSM_DRAWIMAGE,
                                            SSM_SETPALETTE, SSM_IMAGEDONE, WM_TIMER, SSM_NEWIMAGE};

TEST_F(SaverTest, OneStillPictureInOrderThenTheNextAfterTimeOnScreen) {
    Store("TimeOnScreen=3\n");
    OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    const uint32_t done = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    EXPECT_EQ(CycleMessages(), kOneStillPicture);
    EXPECT_EQ(GetTickCount() - done, 3000u);
    EXPECT_EQ(Saver().SaverState.TimerArmed, 0);
    EXPECT_EQ(Saver().BufferRotation.BufferIndex, 0);
}

TEST_F(SaverTest, NoBlankSkipsClearingAndZeroKeepsThePicture) {
    Store("TimeOnScreen=0\nNoBlank=1\n");
    OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_FALSE(RunUntil(SSM_NEWIMAGE));  // nothing can ever arrive: no timer runs
    EXPECT_EQ(Delivered(SSM_CLEARSCREEN), 0u);
    EXPECT_EQ(Delivered(WM_TIMER), 0u);
    EXPECT_EQ(Saver().SaverState.TimerArmed, 0);
}

TEST_F(SaverTest, SecondsThatOverflowBecomeTheLongestTimer) {
    Store("TimeOnScreen=5000000\nEffectCycle=-1\n");
    OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    const uint32_t done = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    EXPECT_EQ(GetTickCount() - done, 0x7FFFFFFFu);  // not 5000000000 modulo 2^32
    EXPECT_EQ(SecondsToMilliseconds(4294968), 0x7FFFFFFFu);
    EXPECT_EQ(SecondsToMilliseconds(-5), 0u);
}

TEST_F(SaverTest, AnAbortWhileDrawingPostsNothing) {
    HWND window = OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    PostMessageA(window, WM_TIMER, kImageTimer, 0);  // stands behind the draw request
    ASSERT_TRUE(RunUntil(SSM_DRAWIMAGE));
    EXPECT_TRUE(Saver().AbortRequested);
    EXPECT_EQ(Delivered(SSM_IMAGEDONE), 0u);
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));  // the timer's message starts a new picture
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
}

TEST_F(SaverTest, SetPaletteKeepsItsObjectAndAFailedObjectEndsTheLoop) {
    HWND window = OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_SETPALETTE));
    HPALETTE first = Saver().SaverState.PaletteObject;
    ASSERT_NE(first, nullptr);
    SendMessageA(window, SSM_SETPALETTE, 0, 0);
    EXPECT_EQ(Saver().SaverState.PaletteObject, first);
    DestroyWindow(window);

    Start(np::DisplayKind::TrueColor, 64, 48);
    np::FailPalettes(true);
    OpenFullScreen();
    MSG msg;
    int steps = 0;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0 && steps++ < 1000) DispatchMessageA(&msg);
    EXPECT_EQ(got, FALSE);  // WM_QUIT
    EXPECT_EQ(Delivered(SSM_IMAGEDONE), 0u);
    EXPECT_TRUE(np::MessageBoxes().empty());
}

TEST_F(SaverTest, EffectScheduleSwitchesWhenItsTimeHasCome) {
    Store("TimeOnScreen=3\nSpecialEffects=2\nEffectCycle=30\nPsycheDelay=10\n");
    np::SetTickCount(20000);  // running for less than EffectCycle: no switch yet
    OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_EQ(Saver().EffectSchedule.CurrentEffect, kEffectPlain);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP));  // colours rotate even while the effect is still plain
    EXPECT_EQ(np::DeliveredMessages().back().wParam, 3u);

    Start(np::DisplayKind::TrueColor, 300, 200);  // above the small-preview size
    Store("TimeOnScreen=3\nSpecialEffects=3\nEffectCycle=30\n");
    np::SetTickCount(40000);
    OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_EQ(Saver().EffectSchedule.CurrentEffect, kEffectMoving);
    EXPECT_EQ(Saver().EffectSchedule.EffectPosition, 1);
    EXPECT_EQ(Saver().EffectSchedule.LastEffectSwitch, GetTickCount());
    EXPECT_TRUE(RunUntil(SSM_NEXTTRANSITION));
    EXPECT_EQ(Saver().SaverState.TimerArmed, 0);  // transitions take over: no timer
}

// The image timer stops when it fires: however long the next picture takes to
// draw, no second WM_TIMER cuts it short.
TEST_F(SaverTest, SlowDrawingIsNotCutShortByTheImageTimer) {
    Store("TimeOnScreen=1\n");
    np::SetPeekCost(200);  // every look at the queue takes 200 ms: a drawing takes seconds
    OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    const uint32_t first_done = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_GT(GetTickCount() - first_done, 2000u);
    EXPECT_EQ(Delivered(SSM_DRAWIMAGE), 2u);
    EXPECT_EQ(Delivered(WM_TIMER), 1u);
    EXPECT_EQ(Saver().StoppedWork.Message, 0u);  // no drawing stopped
}

// SSM_IMAGEDONE with the effect due each time: effects take turns in the order
// moving, psychedelic, transforming; a single one stays.
TEST_F(SaverTest, EffectsTakeTurnsOverSeveralSwitches) {
    struct Case {
        const char* Effects;
        std::vector<int32_t> Turns;
    };
    const Case cases[] = {{"2", {2, 2, 2, 2}}, {"6", {2, 4, 2, 4}}, {"3", {1, 2, 1, 2}}};
    for (const Case& c : cases) {
        Start(np::DisplayKind::TrueColor, 640, 480);
        Store(std::string("TimeOnScreen=3\nEffectCycle=30\nSpecialEffects=") + c.Effects + "\n");
        np::SetTickCount(0);
        HWND window = OpenFullScreen();
        std::vector<int32_t> turns;
        for (size_t i = 0; i < c.Turns.size(); i++) {
            np::AdvanceClock(30000);
            SendMessageA(window, SSM_IMAGEDONE, 0, 0);
            turns.push_back(Saver().EffectSchedule.CurrentEffect);
            np::AdvanceClock(29999);  // not yet due: the effect stays
            SendMessageA(window, SSM_IMAGEDONE, 0, 0);
            EXPECT_EQ(Saver().EffectSchedule.CurrentEffect, turns.back()) << c.Effects;
        }
        EXPECT_EQ(turns, c.Turns) << c.Effects;
    }
}

TEST_F(SaverTest, TickCountsSurviveTheirWrap) {
    Store("TimeOnScreen=5\nSpecialEffects=2\nEffectCycle=30\n");
    np::SetTickCount(0xFFFFF000u);  // 4096 ms before the wrap
    OpenFullScreen();
    Saver().EffectSchedule.LastEffectSwitch = 0xFFFFF000u - 31000;
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_EQ(Saver().EffectSchedule.CurrentEffect, kEffectPsychedelic);
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));  // the timer fires across the wrap
    EXPECT_LT(GetTickCount(), 0x10000u);
}

}  // namespace
