// The saver on Windows' coarse clock (the system timer ticking every 15.625 ms
// unless a program raises its resolution): animations keep their schedule,
// and every raise of the resolution is given back.
#include "saver_fixture.h"

#include "saver/color_cycle.h"

#include <functional>

namespace {

class CoarseClockTest : public SaverTest {
protected:
    // A full-screen saver on the coarse clock whose first picture is complete.
    HWND StartOnCoarseClock(const std::string& settings, int width = 64, int height = 48) {
        Start(np::DisplayKind::TrueColor, width, height);
        np::UseCoarseClock(true);
        np::SetPlatformId(1);  // a screen this small would count as an NT preview, which runs no effect
        Store(settings);
        HWND window = OpenFullScreen();
        EXPECT_TRUE(RunUntil(SSM_IMAGEDONE));
        return window;
    }

    // The exact times at which changed() turned true after a step of the
    // loop, over one second of the exact clock from the first of them.
    std::vector<uint32_t> TimesOver1Second(const std::function<bool()>& changed) {
        std::vector<uint32_t> times;
        for (int i = 0; i < 100000; i++) {
            if (!Step()) break;
            if (!changed()) continue;
            if (!times.empty() && np::ExactTime() - times[0] >= 1000) break;
            times.push_back(np::ExactTime());
        }
        return times;
    }

    static uint32_t LongestGap(const std::vector<uint32_t>& times) {
        uint32_t longest = 0;
        for (size_t i = 1; i < times.size(); i++) longest = std::max(longest, times[i] - times[i - 1]);
        return longest;
    }
};

TEST_F(CoarseClockTest, AMovingTransitionMakesSixtyEvenStepsASecond) {
    StartOnCoarseClock("SpecialEffects=1\nMovingSpeed=1\nTimeOnScreen=3\nEffectCycle=1000\n", 64, 480);
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP));
    size_t seen = Delivered(SSM_MOVESTEP);
    const std::vector<uint32_t> steps = TimesOver1Second([&] {
        const size_t now = Delivered(SSM_MOVESTEP);
        const bool more = now != seen;
        seen = now;
        return more;
    });
    EXPECT_GE(steps.size(), 59u);
    EXPECT_LE(steps.size(), 61u);
    EXPECT_LE(LongestGap(steps), 17u);
}

TEST_F(CoarseClockTest, ColorsRotateAHundredTimesASecondAtTenMilliseconds) {
    StartOnCoarseClock("SpecialEffects=2\nPsycheDelay=10\nTimeOnScreen=0\nContColorChange=0\n");
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP));
    uint32_t last = Saver().ColorCycle.LastCycleStep;
    const std::vector<uint32_t> rotations = TimesOver1Second([&] {
        const bool rotated = Saver().ColorCycle.LastCycleStep != last;
        last = Saver().ColorCycle.LastCycleStep;
        return rotated;
    });
    EXPECT_GE(rotations.size(), 98u);
    EXPECT_LE(rotations.size(), 102u);
    EXPECT_LE(LongestGap(rotations), 11u);
}

TEST_F(CoarseClockTest, EveryRaiseOfTheResolutionIsGivenBack) {
    // Colours that stop at the time limit: the still picture waits for the
    // image timer with the resolution given back.
    HWND window = StartOnCoarseClock("SpecialEffects=2\nPsycheDelay=10\nTimeOnScreen=1\n");
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP));
    EXPECT_TRUE((TimerResolution.Raises > 0));
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 1);
    ASSERT_TRUE(RunUntil(WM_TIMER));
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 0);
    EXPECT_GE(np::TimerPeriods().Begins, 1);
    // A new picture cycles again, and the window's end gives it back.
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 3));
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 1);
    DestroyWindow(window);
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 0);

    // A moving chain, and the loop that ends while it runs.
    StartOnCoarseClock("SpecialEffects=1\nTimeOnScreen=3\nEffectCycle=1000\n", 64, 480);
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP, 3));
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 1);
    PostQuitMessage(0);
    EXPECT_EQ(RunMessageLoop(FindWindowA("WindowsScreenSaverClass", nullptr)), 0);
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 0);

    // The Linux program's second saver window starts over with nothing held:
    // the first one's window went, and its record with it.
    HWND first = StartOnCoarseClock("SpecialEffects=1\nTimeOnScreen=3\nEffectCycle=1000\n", 64, 480);
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP, 3));
    DestroyWindow(first);
    EXPECT_EQ(np::TimerPeriods().Begins - np::TimerPeriods().Ends, 0);
    EXPECT_EQ(TimerResolution.Raises, 0);
}

}  // namespace
