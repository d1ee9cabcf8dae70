// The full-screen saver on a desktop of several monitors: one window and one
// picture over the whole virtual screen, which may start left of the primary
// monitor, and input on any monitor ends it.
#include "saver_fixture.h"

#include "saver/transition_buffers.h"

namespace {

// The primary monitor, and a lower one left of it, lower down.
const std::vector<RECT> kTwoMonitors = {{0, 0, 320, 200}, {-256, 40, 0, 232}};

class MonitorsTest : public SaverTest {
protected:
    HWND OpenOnTwoMonitors(const std::string& settings) {
        StartFreshProcess(np::DisplayKind::TrueColor, 64, 48);
        np::OpenMonitors(np::DisplayKind::TrueColor, kTwoMonitors);
        np::SetTickCount(100000);
        np::SetCursorPosition(-100, 100);  // on the second monitor
        Store(settings);
        return OpenFullScreen();
    }

    static COLORREF ColorOf(uint8_t v) {
        const uint8_t* c = Saver().SaverState.DisplayHeader + kHeaderFieldsBytes + 4 * v;
        return RGB(c[2], c[1], c[0]);
    }
};

TEST_F(MonitorsTest, OnePictureCoversEveryMonitor) {
    HWND window = OpenOnTwoMonitors("SpecialEffects=0\nTimeOnScreen=0\n");
    ASSERT_TRUE(window);
    RECT place;
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, -256);
    EXPECT_EQ(place.top, 0);
    EXPECT_EQ(place.right, 320);
    EXPECT_EQ(place.bottom, 232);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    EXPECT_EQ(Saver().SaverState.ImageWidth, 576);
    EXPECT_EQ(Saver().SaverState.ImageHeight, 232);
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(RunUntil(WM_PAINT));
    // Every pixel of the virtual screen, on either monitor, shows its cell of the one picture.
    const int width = Saver().SaverState.ImageWidth, height = Saver().SaverState.ImageHeight, row = Saver().SaverState.RowBytes;
    for (int y = 0; y < height; y += 3)
        for (int x = 0; x < width; x += 5)
            ASSERT_EQ(np::ScreenPixel(x, y), ColorOf(Saver().SaverState.ShownImage[(height - 1 - y) * row + x]))
                << x << "," << y;
}

TEST_F(MonitorsTest, AMoveOnTheSecondMonitorEndsTheSaver) {
    HWND window = OpenOnTwoMonitors("SpecialEffects=2\nPsycheDelay=10\nTimeOnScreen=0\n");
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 3));
    np::SetCursorPosition(-102, 102);  // 4 pixels: not yet
    np::QueueInput(window, WM_MOUSEMOVE);
    ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, 3));
    EXPECT_TRUE(IsWindow(window));
    np::SetCursorPosition(-103, 103);  // 6 pixels from where it started
    np::QueueInput(window, WM_MOUSEMOVE);
    for (int i = 0; i < 20 && IsWindow(window); i++) Step();
    EXPECT_FALSE(IsWindow(window));
    ExpectNothingLeaked();
}

}  // namespace
