// Moving and transforming transitions on the native platform with the test
// clock: the buffer rotation, step counts, the seam, painting, pacing, the
// worker's life, and input between any two steps.
#include "saver_fixture.h"

#include "saver/transition_buffers.h"
#include "saver/window_core.h"

#include <random>
#include <vector>

namespace {

class TransitionTest : public SaverTest {
protected:
    // A full-screen saver whose first picture is complete and whose transitions begin.
    HWND StartTransitions(const std::string& settings, int width = 64, int height = 48) {
        Start(np::DisplayKind::TrueColor, width, height);
        np::SetPlatformId(1);  // a screen this small would count as an NT preview, which runs no effect
        Store(settings + "TimeOnScreen=3\nEffectCycle=1000\n");  // the first of a key counts
        HWND window = OpenFullScreen();
        EXPECT_TRUE(RunUntil(SSM_NEXTTRANSITION));
        return window;
    }

    static intptr_t Offset(int k) { return Saver().SaverState.BufferOrigin[k] - Saver().SaverState.ImageArea; }

    // The colour the screen shows for a byte of the picture (colour mode).
    static COLORREF ColorOf(uint8_t v) {
        const uint8_t* c = Saver().SaverState.DisplayHeader + kHeaderFieldsBytes + 4 * v;
        return RGB(c[2], c[1], c[0]);
    }
};

TEST_F(TransitionTest, BuffersRotateAsTheTableSays) {
    StartTransitions("SpecialEffects=1\nMovingSpeed=100\n");
    const int32_t expected_target[] = {1, 0, 2, 1}, expected_start[] = {2, 1, 3, 2}, expected_worker[] = {0, 2, 1, 0};
    for (int n = 0; n < 4; n++) {
        if (n > 0) {
            ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
        }
        EXPECT_EQ(Saver().SaverState.ShownImage, Saver().SaverState.BufferOrigin[expected_target[n]]) << n;
        EXPECT_EQ(Saver().Transition.ScrollPosition, Offset(expected_start[n])) << n;
        EXPECT_EQ(Saver().Transition.WorkerTarget, expected_worker[n]) << n;
    }
    StartTransitions("SpecialEffects=4\nTransformSteps=2\n");
    const int32_t expected_changed[] = {2, 1, 0, 2};
    for (int n = 0; n < 4; n++) {
        if (n > 0) {
            ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
        }
        ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP));
        EXPECT_EQ(np::DeliveredMessages().back().lParam, expected_changed[n]) << n;
    }
}

TEST_F(TransitionTest, MovingStepCountsAndTheShortLastStep) {
    StartTransitions("SpecialEffects=1\nMovingSpeed=4\n", 64, 480);
    const int32_t width = Saver().SaverState.RowBytes;
    const size_t before = Delivered(SSM_MOVESTEP);
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP, 119));
    EXPECT_EQ(Saver().Transition.ScrollPosition - (Saver().SaverState.ShownImage - Saver().SaverState.ImageArea), 3 * width);
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
    EXPECT_EQ(Delivered(SSM_MOVESTEP) - before, 120u);
    // Faster than the picture is high, and hand-edited speeds of 0 or less.
    for (const char* speed : {"1000", "0", "-5"}) {
        StartTransitions(std::string("SpecialEffects=1\nMovingSpeed=") + speed + "\n", 64, 48);
        const size_t steps = Delivered(SSM_MOVESTEP);
        ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
        EXPECT_EQ(Delivered(SSM_MOVESTEP) - steps, std::string(speed) == "1000" ? 1u : 47u) << speed;
    }
}

// Against the rule written out, pixel by pixel from the last to the first, for
// every divisor a transition can use, including buffers that overlap by a row.
TEST_F(TransitionTest, BlendStepFollowsTheRuleExactly) {
    auto rule = [](uint8_t* source, const uint8_t* target, int32_t divisor, intptr_t count) {
        for (intptr_t i = count - 1; i >= 0; i--)
            source[i] = (uint8_t)(source[i] + ((int32_t)target[i] - (int32_t)source[i]) / divisor);
    };
    const int width = 37, height = 9, period = width * (height - 1);
    std::vector<uint8_t> start((size_t)width * (3 * height - 2));
    for (size_t i = 0; i < start.size(); i++) start[i] = (uint8_t)(i * 7919 % 251 + (i % 3 == 0 ? 3 : 0));
    for (int divisor : {1, 2, 3, 7, 19, 20, 255, 256, 1000, 40000})
        for (int source : {0, 1, 2})
            for (int target : {0, 1, 2}) {
                if (source == target) continue;
                std::vector<uint8_t> ours = start, theirs = start;
                BlendStep(ours.data() + source * period, ours.data() + target * period, divisor, width * height);
                rule(theirs.data() + source * period, theirs.data() + target * period, divisor, width * height);
                ASSERT_EQ(ours, theirs) << divisor << " " << source << "->" << target;
            }
}

// The vectorised path against the same rule on random pictures of every length
// around the vector's width, apart and sharing bytes either way.
TEST(BlendStep, EqualsTheRuleOnRandomPicturesOfAnyLength) {
    std::mt19937 random(20261208);
    for (intptr_t count : {0, 1, 15, 16, 17, 31, 33, 47, 63, 64, 65, 100, 127, 129, 1023, 4097, 10001})
        for (int divisor : {2, 3, 5, 17, 64, 255, 499, 65535})
            for (intptr_t shift : {intptr_t(0), count + 3, intptr_t(5), intptr_t(-5), intptr_t(16), intptr_t(-40)}) {
                std::vector<uint8_t> bytes((size_t)(2 * count + 100));
                for (uint8_t& b : bytes) b = (uint8_t)random();
                std::vector<uint8_t> ours = bytes, rule = bytes;
                const size_t source = 50, target = (size_t)(50 + shift);
                BlendStep(ours.data() + source, ours.data() + target, divisor, count);
                for (intptr_t i = count - 1; i >= 0; i--)
                    rule[source + i] =
                        (uint8_t)(rule[source + i] + ((int32_t)rule[target + i] - (int32_t)rule[source + i]) / divisor);
                ASSERT_EQ(ours, rule) << count << " " << divisor << " " << shift;
            }
}

TEST_F(TransitionTest, BlendStepMovesSmallDifferencesLate) {
    uint8_t source[2] = {100, 200};
    const uint8_t target[2] = {110, 20};
    std::vector<int> first, second;
    for (int divisor = 20; divisor >= 1; divisor--) {
        BlendStep(source, target, divisor, 2);
        first.push_back(source[0]);
        second.push_back(source[1]);
    }
    EXPECT_EQ(first, (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 101, 102, 103, 104, 105, 106,
                                       107, 108, 109, 110}));
    EXPECT_EQ(second, (std::vector<int>{191, 182, 173, 164, 155, 146, 137, 128, 119, 110, 101, 92, 83, 74, 65, 56, 47,
                                        38, 29, 20}));
}

TEST_F(TransitionTest, TransformingEndsOnTheTargetInItsSteps) {
    for (const char* steps : {"1", "0", "-3", "7"}) {
        StartTransitions(std::string("SpecialEffects=4\nTransformSteps=") + steps + "\n");
        const uint8_t* target = Saver().SaverState.ShownImage;
        const size_t before = Delivered(SSM_TRANSFORMSTEP);
        const size_t expected = std::string(steps) == "7" ? 7u : 1u;
        ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP, (int)expected));
        // After the last step, before the next transition reuses the buffer.
        const uint8_t* source = Saver().SaverState.BufferOrigin[np::DeliveredMessages().back().lParam];
        const size_t bytes = (size_t)Saver().SaverState.RowBytes * Saver().SaverState.ImageHeight;
        EXPECT_EQ(std::vector<uint8_t>(source, source + bytes), std::vector<uint8_t>(target, target + bytes)) << steps;
        const int32_t width = Saver().SaverState.RowBytes, height = Saver().SaverState.ImageHeight;
        for (int y = 0; y < height; y += 3)  // and the screen shows it
            for (int x = 0; x < 64; x += 5)
                ASSERT_EQ(np::ScreenPixel(x, y), ColorOf(target[(height - 1 - y) * width + x])) << steps;
        ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
        EXPECT_EQ(Delivered(SSM_TRANSFORMSTEP) - before, expected) << steps;
    }
}

// At every step the screen shows the window's rows of the tall picture, also
// where it runs from image 0 into image 2, whose top row repeats image 0's bottom row.
// Each image comes in joined to the one above it, at every height, with every
// image made in a calendar second of its own (pictures of one second share
// their random draws, which could hide a wrong row).
TEST_F(TransitionTest, ScrollingShowsTheTallPictureWithoutASeam) {
    for (int window_height : {48, 3, 2}) {
        SCOPED_TRACE(testing::Message() << "height " << window_height);
        StartTransitions("SpecialEffects=1\nMovingSpeed=5\nSymmetry=0\n", 64, window_height);
        const int32_t width = Saver().SaverState.RowBytes, height = Saver().SaverState.ImageHeight;
        const intptr_t period = 3 * (intptr_t)(height - 1);  // rows of the tall picture before it repeats
        int checked = 0;
        for (int transition = 0; transition < 6; transition++) {
            np::SetCalendarMilliseconds((uint64_t)(CalendarSeconds() + 1) * 1000);
            for (;;) {
                const size_t moves = Delivered(SSM_MOVESTEP), transitions = Delivered(SSM_NEXTTRANSITION);
                ASSERT_TRUE(Step());
                if (Delivered(SSM_NEXTTRANSITION) > transitions) break;
                if (Delivered(SSM_MOVESTEP) == moves) continue;
                const intptr_t bottom_row = Saver().Transition.ScrollPosition / width;
                for (int y = 0; y < height; y++) {
                    intptr_t row = bottom_row + (height - 1 - y);
                    if (row >= period + 1) row -= period;  // above image 2 the picture starts again with image 0
                    for (int x : {0, width / 2, width - 1}) {
                        const uint8_t v = Saver().SaverState.ImageArea[row * width + x];
                        ASSERT_EQ(np::ScreenPixel(x, y), ColorOf(v)) << "transition " << transition << " row " << y;
                    }
                }
                checked++;
            }
        }
        EXPECT_GE(checked, 6 * ((height - 2) / 5 + 1));
    }
}

TEST_F(TransitionTest, APaintDuringATransitionShowsTheTarget) {
    HWND window = StartTransitions("SpecialEffects=1\nMovingSpeed=2\n");
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP, 3));
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(RunUntil(WM_PAINT));
    const int32_t width = Saver().SaverState.RowBytes, height = Saver().SaverState.ImageHeight;
    for (int y = 0; y < height; y += 5)
        for (int x = 0; x < 64; x += 9)
            ASSERT_EQ(np::ScreenPixel(x, y), ColorOf(Saver().SaverState.ShownImage[(height - 1 - y) * width + x]));
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP));  // and the scroll goes on
}

TEST_F(TransitionTest, StepsComeOneFrameApartAndInputGetsThroughBetween) {
    HWND window = StartTransitions("SpecialEffects=4\nTransformSteps=200\n");
    ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP));
    const uint32_t start = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP, 60));
    EXPECT_EQ(GetTickCount() - start, 1000u);  // 60 frames a second
    std::vector<uint32_t> times;
    for (const MSG& m : np::DeliveredMessages())
        if (m.message == SSM_TRANSFORMSTEP) times.push_back(m.time);
    for (size_t i = times.size() - 60; i < times.size(); i++) {
        EXPECT_GE(times[i] - times[i - 1], 16u);
        EXPECT_LE(times[i] - times[i - 1], 17u);
    }
    const uint32_t asked = GetTickCount();
    np::SetCursorPosition(300, 300);
    np::QueueInput(window, WM_MOUSEMOVE);
    for (int i = 0; i < 20 && IsWindow(window); i++) Step();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_LE(GetTickCount() - asked, 17u);
    ExpectNothingLeaked();

    // Moving at the default speed: 240 rows a second.
    StartTransitions("SpecialEffects=1\nMovingSpeed=4\n", 64, 480);
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP));
    const uint32_t moving = GetTickCount();
    const intptr_t from = Saver().Transition.ScrollPosition;
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP, 60));
    EXPECT_EQ(GetTickCount() - moving, 1000u);
    EXPECT_EQ((from - Saver().Transition.ScrollPosition) / Saver().SaverState.RowBytes, 240);
}

// The display's refresh rate paces the steps; 0 and 1 mean the hardware's
// default (VREFRESH), which is taken as 60 Hz, not as one step a second.
TEST_F(TransitionTest, StepsComeAtTheDisplaysRefreshRate) {
    for (const int hz : {75, 1, 0}) {
        SCOPED_TRACE(testing::Message() << "VREFRESH " << hz);
        Start(np::DisplayKind::TrueColor, 64, 48);
        np::OpenDisplay(np::DisplayKind::TrueColor, 64, 48, hz);
        np::SetPlatformId(1);
        Store("SpecialEffects=4\nTransformSteps=400\nTimeOnScreen=3\nEffectCycle=1000\n");
        OpenFullScreen();
        ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP, 2));
        const uint32_t start = GetTickCount();
        const size_t before = Delivered(SSM_TRANSFORMSTEP);
        while (GetTickCount() - start < 1000) ASSERT_TRUE(Step());
        EXPECT_NEAR((double)(Delivered(SSM_TRANSFORMSTEP) - before), hz > 1 ? hz : 60, 1);
    }
}

// Near the tick count's wrap (after 49.7 days) the steps keep their cadence:
// frame k of a chain at k x 1000 / 60 ms from its start, straight across the
// wrap, never counted afresh (which would make a flat 16 ms and 62.5 a second).
TEST_F(TransitionTest, StepsStayEvenAcrossTheTickCountsWrap) {
    auto frame_time = [](uint32_t k) { return (uint32_t)((uint64_t)k * 1000 / 60); };
    // Starts a millisecond apart: the wrap meets the frames at each of their phases.
    for (uint32_t before_wrap = 700; before_wrap < 706; before_wrap++) {
        SCOPED_TRACE(testing::Message() << before_wrap << " ms before the wrap");
        Start(np::DisplayKind::TrueColor, 64, 48);
        np::SetPlatformId(1);
        np::SetTickCount(0u - before_wrap);
        Store("SpecialEffects=4\nTransformSteps=200\nTimeOnScreen=3\nEffectCycle=1000\n");
        OpenFullScreen();
        ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP, 120));
        std::vector<uint32_t> times;
        for (const MSG& m : np::DeliveredMessages())
            if (m.message == SSM_TRANSFORMSTEP) times.push_back(m.time);
        ASSERT_GE(times.size(), 120u);
        ASSERT_GT(times.front(), 0x80000000u) << "the steps began before the wrap";
        ASSERT_LT(times.back(), 0x80000000u) << "and went on after it";
        // The first step finds the chain's start; from the second on, one start holds.
        bool one_start = false;
        for (uint32_t phase = 0; phase < 3 && !one_start; phase++) {
            one_start = true;
            for (size_t i = 1; i < times.size() && one_start; i++)
                one_start = times[i] - times[1] == frame_time(phase + (uint32_t)i - 1) - frame_time(phase);
        }
        EXPECT_TRUE(one_start) << "the steps were counted afresh somewhere";
        EXPECT_EQ(times[61] - times[1], 1000u);
    }
}

TEST_F(TransitionTest, TheEffectScheduleEndsAChainWithANewPicture) {
    StartTransitions("SpecialEffects=1\nMovingSpeed=16\nEffectCycle=1\n");
    const size_t pictures = Delivered(SSM_NEWIMAGE);
    const uint32_t start = GetTickCount();
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));
    EXPECT_EQ(Delivered(SSM_NEWIMAGE), pictures + 1);
    EXPECT_GE(GetTickCount() - start, 900u);  // after transitions for the rest of the effect's second
    EXPECT_EQ(Saver().Transition.WorkerTarget, -1);
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));  // and moving goes on from the new picture
}

TEST_F(TransitionTest, AnAbortPostsNothingAndTheWorkerIsGoneByTheNextPicture) {
    HWND window = StartTransitions("SpecialEffects=1\nMovingSpeed=1\n");
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP, 2));
    ASSERT_TRUE(Saver().PacedMessage.Pending);
    const PacedMessageRecord step = Saver().PacedMessage;
    CancelPacedMessage(Saver().PacedMessage);
    PostMessageA(window, step.Message, step.WParam, step.LParam);
    PostMessageA(window, WM_TIMER, kImageTimer, 0);  // stands behind the step and stops it
    ASSERT_TRUE(RunUntil(SSM_MOVESTEP));
    EXPECT_FALSE(Saver().PacedMessage.Pending);
    ASSERT_TRUE(RunUntil(SSM_NEWIMAGE));  // the timer's message starts a new picture
    EXPECT_EQ(Saver().Transition.WorkerTarget, -1);
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
}

// Closing while the worker makes the next picture stops it at its next check
// point: the window goes without waiting for a whole picture.
TEST_F(TransitionTest, ClosingStopsTheWorkerEarly) {
    Start(np::DisplayKind::TrueColor, 1024, 768);
    np::SetTickCount(5000000);  // long enough up that the first picture already moves
    Store("SpecialEffects=1\nMovingSpeed=1\n");
    HWND window = OpenFullScreen();
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
    ASSERT_GE(Saver().Transition.WorkerTarget, 0);  // started a moment ago, on a picture of 786432 cells
    const uint8_t* worker_picture = Saver().Transition.WorkerBuffer;
    const uint8_t unset = (uint8_t)Saver().SaverState.Palette.FirstAnimatedIndex;
    double unset_share = -1;
    np::ObserveReleases([&](const uint8_t* data, size_t bytes) {
        if (data != worker_picture) return;
        size_t count = 0;
        for (size_t i = 0; i < bytes; i++) count += data[i] == unset;
        unset_share = (double)count / (double)bytes;
    });
    DestroyWindow(window);
    np::ObserveReleases(nullptr);
    EXPECT_GT(unset_share, 0.5) << "the worker went on to the end of its picture";
    ExpectNothingLeaked();
}

TEST_F(TransitionTest, DestroyWhileTheWorkerRunsAndAThreadThatCannotStart) {
    for (int i = 0; i < 2; i++) {
        HWND window = StartTransitions("SpecialEffects=5\nMovingSpeed=1\n", 320, 240);
        ASSERT_GE(Saver().Transition.WorkerTarget, 0);  // most likely still generating
        DestroyWindow(window);
        ExpectNothingLeaked();
    }
    StartTransitions("SpecialEffects=1\nMovingSpeed=50\n");
    np::FailThreadStarts(true);
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION, 4));  // the pictures are made here; nothing waits for good
    EXPECT_EQ(Saver().Transition.WorkerTarget, -1);
}

// Moving on puts the buffers in the stacked layout, where neighbours share a
// row; transforming then fades one buffer while the worker makes the next.
// Under ThreadSanitizer this shows that the two threads never touch one row.
TEST_F(TransitionTest, TransformingInTheStackedLayout) {
    StartTransitions("SpecialEffects=5\nEffectCycle=1\nMovingSpeed=47\nTransformSteps=3\n", 64, 48);
    for (int i = 0; i < 2000 && Saver().EffectSchedule.CurrentEffect != kEffectTransforming; i++) ASSERT_TRUE(Step());
    ASSERT_EQ(Saver().EffectSchedule.CurrentEffect, kEffectTransforming);
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION));
    const size_t steps = Delivered(SSM_TRANSFORMSTEP);
    ASSERT_TRUE(RunUntil(SSM_NEXTTRANSITION, 6));
    EXPECT_EQ(Delivered(SSM_TRANSFORMSTEP) - steps, 6u * 3u);
}

TEST_F(TransitionTest, ATransitionStoppedForARefusedCloseGoesOn) {
    Start(np::DisplayKind::TrueColor, 64, 48);
    np::SetPlatformId(1);
    np::SetPasswordProtection(1, [](HWND) -> BOOL { return FALSE; });
    Store("TimeOnScreen=3\nEffectCycle=1000\nSpecialEffects=4\nTransformSteps=50\n");
    bool already_running;
    HWND window = StartFullScreen(nullptr, ScreenSaverProc, SettingsSource{}, already_running);
    ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP, 3));
    const PacedMessageRecord step = Saver().PacedMessage;
    CancelPacedMessage(Saver().PacedMessage);
    PostMessageA(window, step.Message, step.WParam, step.LParam);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil(WM_CLOSE));
    EXPECT_TRUE(IsWindow(window));
    const int32_t done = Saver().Transition.TransformStep;
    ASSERT_TRUE(RunUntil(SSM_TRANSFORMSTEP, 5));
    EXPECT_EQ(Saver().Transition.TransformStep, done + 5);
}

}  // namespace
