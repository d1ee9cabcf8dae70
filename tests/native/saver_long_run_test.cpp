// The saver as it runs all night on a machine that has been up for weeks: its
// pictures, transitions, colours and effect switches keep coming wherever the
// tick count starts in its 49.7-day cycle, also across its wrap, and nothing
// it or the platform keeps grows with the hours.
#include "saver_fixture.h"

#include "saver/messages.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// Every effect, switching every two seconds, with pictures of one second.
const char kEveryEffect[] =
    "SpecialEffects=7\nEffectCycle=2\nTimeOnScreen=1\nPsycheDelay=20\nMovingSpeed=8\nTransformSteps=10\n";

class LongRunTest : public SaverTest {
protected:
    // Steps the saver's loop until the test clock has run this long.
    void RunFor(uint32_t milliseconds, const std::function<void()>& after_each = nullptr) {
        const uint32_t start = GetTickCount();
        for (long i = 0; i < 50000000 && GetTickCount() - start < milliseconds; i++) {
            ASSERT_TRUE(Step()) << "the loop ended at " << GetTickCount() - start << " ms";
            if (after_each) after_each();
        }
        ASSERT_GE(GetTickCount() - start, milliseconds) << "the clock stood still";
    }
};

TEST_F(LongRunTest, EverythingKeepsComingWhereverTheTickCountStarts) {
    const uint32_t kStarts[] = {0u, 0x7FFFFFFFu, 0x80000010u, 0x80000100u, 0xC0000000u, 0xFFFFFFFFu - 4999u};
    for (uint32_t first_tick : kStarts) {
        SCOPED_TRACE(testing::Message() << "tick count at the start " << first_tick);
        Start(np::DisplayKind::TrueColor, 64, 48);
        np::SetTickCount(first_tick);
        Store(kEveryEffect);
        ASSERT_NE(OpenFullScreen(), nullptr);
        std::set<int32_t> effects;
        RunFor(20000, [&] { effects.insert(Saver().EffectSchedule.CurrentEffect); });

        std::map<UINT, int> count;
        uint32_t last = first_tick, longest_gap = 0;
        for (const MSG& m : np::DeliveredMessages()) {
            if (!((m.message >= SSM_DRAWIMAGE && m.message <= SSM_NEWIMAGE) || m.message == WM_TIMER)) continue;
            count[m.message]++;
            longest_gap = std::max(longest_gap, m.time - last);
            last = m.time;
        }
        // 20 s hold about 3 turns of the three effects, each of two seconds.
        EXPECT_GE(count[SSM_MOVESTEP], 100);
        EXPECT_GE(count[SSM_TRANSFORMSTEP], 50);
        EXPECT_GE(count[SSM_CYCLESTEP], 50);
        EXPECT_GE(count[WM_TIMER], 1);  // a still picture's second ends
        EXPECT_GE(count[SSM_NEWIMAGE], 6);
        EXPECT_EQ(effects, (std::set<int32_t>{0, kEffectMoving, kEffectPsychedelic, kEffectTransforming}));
        EXPECT_LE(longest_gap, 1100u) << "the saver stood still";
    }
}

// Two hours of colours rotating as fast as they can, with moving and fading
// transitions in turn, each look at the queue costing time: the platform
// records nothing for tests unless asked, and nothing else piles up.
TEST_F(LongRunTest, TwoHoursKeepEveryRecordBounded) {
    Start(np::DisplayKind::TrueColor, 32, 24);
    np::RecordMessages(false);  // as in a live program
    np::SetPeekCost(5);
    Store("SpecialEffects=7\nEffectCycle=20\nTimeOnScreen=5\nPsycheDelay=0\nContColorChange=1\nMovingSpeed=3\n"
          "TransformSteps=20\n");
    ASSERT_NE(OpenFullScreen(), nullptr);
    np::RetainedRecords most = {};
    size_t paints = 0;  // in colour mode every rotation repaints
    np::ObservePaints([&](HWND) { paints++; });
    const uint32_t kHours = 2;
    for (uint32_t minute = 0; minute < kHours * 60; minute++) {
        RunFor(60000);
        const np::RetainedRecords now = np::Retained();
        most = {std::max(most.Delivered, now.Delivered),
                std::max(most.DefaultHandled, now.DefaultHandled),
                std::max(most.MessageBoxes, now.MessageBoxes),
                std::max(most.RunningCalls, now.RunningCalls),
                std::max(most.Posted, now.Posted),
                std::max(most.Input, now.Input),
                std::max(most.Timers, now.Timers),
                std::max(most.Windows, now.Windows),
                std::max(most.UpdateRectangles, now.UpdateRectangles),
                std::max(most.GdiObjects, now.GdiObjects),
                std::max(most.Blocks, now.Blocks),
                std::max(most.Events, now.Events)};
    }
    np::ObservePaints(nullptr);
    EXPECT_GT(paints, 100000u);  // the colours flowed for a good part of the two hours
    EXPECT_EQ(most.Delivered, 0u);
    EXPECT_EQ(most.DefaultHandled, 0u);
    EXPECT_EQ(most.MessageBoxes, 0u);
    EXPECT_LE(most.RunningCalls, 1u);
    EXPECT_LE(most.Posted, 8u);
    EXPECT_EQ(most.Input, 0u);
    EXPECT_LE(most.Timers, 1u);
    EXPECT_EQ(most.Windows, 1u);
    EXPECT_LE(most.UpdateRectangles, 64u);
    EXPECT_LE(most.GdiObjects, 1u);  // the palette object
    EXPECT_LE(most.Blocks, 6);        // two palettes, the images, the header, the worker's buffer
    EXPECT_LE(most.Events, 1);
}

}  // namespace
