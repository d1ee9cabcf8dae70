// The installer's backdrop on the platform layer: its palette, from blue to
// black through the saver's palette builder, and its bands down the screen,
// which stop short of the bottom edge.
#include "installer/backdrop.h"
#include "platform/native/test_hooks.h"
#include "support/fresh_process.h"

#include <gtest/gtest.h>

namespace np = native_platform;

namespace {

LRESULT CALLBACK BackdropWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) MakeBackdropPalette(window);
    if (message == WM_PAINT) {
        PaintBackdrop(window);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A full-screen backdrop on a 1024x768 display of this kind, painted.
void PaintOn(np::DisplayKind kind) {
    StartFreshProcess(kind, 1024, 768);
    Backdrop = BackdropRecord{};
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = BackdropWindow;
    window_class.lpszClassName = "InstWClass";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "InstWClass", "Velmora Installation", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_REMOVE));
    DispatchMessageA(&msg);
}

int BlackRowsAtTheBottom() {
    int rows = 0;
    for (int y = 767; y >= 0 && np::ScreenPixel(512, y) == 0 && np::ScreenPixel(0, y) == 0; y--) rows++;
    return rows;
}

TEST(Backdrop, TwoHundredThirtySixBandsOnAPaletteDisplay) {
    PaintOn(np::DisplayKind::Palette256);
    ASSERT_TRUE(Backdrop.Ready);
    EXPECT_EQ(Backdrop.First, 10);
    EXPECT_EQ(Backdrop.Count, 236);
    const PALETTEENTRY* e = Backdrop.Palette->palPalEntry;
    for (int k = 0; k < 10; k++) EXPECT_EQ(e[k].peFlags, PC_EXPLICIT) << k;
    for (int k = 246; k < 256; k++) EXPECT_EQ(e[k].peFlags, PC_EXPLICIT) << k;
    std::vector<int> blue;
    for (int j = 0; j < 236; j++) {
        ASSERT_EQ(e[10 + j].peRed, 0);
        ASSERT_EQ(e[10 + j].peGreen, 0);
        ASSERT_EQ(e[10 + j].peFlags, PC_RESERVED);
        blue.push_back(e[10 + j].peBlue);
    }
    EXPECT_EQ(blue[0], 255);
    EXPECT_EQ(blue[11], 244);
    EXPECT_EQ(blue[12], 242);  // the first of the 19 skipped values
    EXPECT_EQ(blue[235], 1);
    EXPECT_EQ(BlackRowsAtTheBottom(), 2);
    // Down the screen the bands follow the palette: blue 255 at the top, then ever darker.
    EXPECT_EQ(np::ScreenPixel(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(np::ScreenPixel(1023, 0), RGB(0, 0, 255));
    int bands = 1;
    for (int y = 1; y < 766; y++) bands += np::ScreenPixel(512, y) != np::ScreenPixel(512, y - 1);
    EXPECT_EQ(bands, 236);
    EXPECT_EQ(np::ScreenPixel(0, 765), RGB(0, 0, 1));
}

TEST(Backdrop, SixteenBandsOnASixteenColourDisplay) {
    PaintOn(np::DisplayKind::Colors16);
    EXPECT_EQ(Backdrop.First, 0);
    EXPECT_EQ(Backdrop.Count, 16);
    const PALETTEENTRY* e = Backdrop.Palette->palPalEntry;
    for (int j = 0; j < 16; j++) EXPECT_EQ(e[j].peBlue, 255 - 16 * j) << j;
    // The bottom 44 rows keep the black background. (The darkest bands show as
    // black among the 16 colours too, so only the bands above them can be told apart.)
    EXPECT_GE(BlackRowsAtTheBottom(), 44);
    for (int y = 0; y < 500; y += 10) EXPECT_NE(np::ScreenPixel(512, y), 0u) << y;
    EXPECT_EQ(np::ScreenPixel(0, 0), RGB(0, 0, 255));
}

TEST(Backdrop, NoColoursLeaveItBlack) {
    PaintOn(np::DisplayKind::NoColors);
    EXPECT_FALSE(Backdrop.Ready);
    EXPECT_EQ(BlackRowsAtTheBottom(), 768);
}

}  // namespace
