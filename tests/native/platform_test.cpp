// The native platform held to the documented Win32 behaviour that the saver
// depends on: message retrieval order, timers, painting inside the update
// region, palette animation, clipping, the default procedure, and loud stops
// for what it does not implement.
#include "platform/native/test_hooks.h"
#include "support/fresh_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace np = native_platform;

namespace {

constexpr UINT kPrivate = 0x1D00;

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { StartFreshProcess(np::DisplayKind::TrueColor, 200, 100); }

    static HWND MakeWindow(int x, int y, int width, int height, HWND parent = nullptr) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.lpszClassName = "Plain";
        RegisterClassA(&window_class);  // once per fresh process; later calls find it registered
        return CreateWindowExA(0, "Plain", "", parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE, x, y, width,
                               height, parent, nullptr, nullptr, nullptr);
    }

    // An 8-bit bottom-up bitmap of one colour in colour mode.
    struct Bitmap {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[256];
        std::vector<uint8_t> Bits;
        Bitmap(int width, int height, COLORREF color) : Header(), Colors(), Bits((size_t)((width + 3) & ~3) * height, 1) {
            Header.biSize = sizeof Header;
            Header.biWidth = width;
            Header.biHeight = height;
            Header.biPlanes = 1;
            Header.biBitCount = 8;
            Colors[1] = {GetBValue(color), GetGValue(color), GetRValue(color), 0};
        }
        int Draw(HDC dc, int x, int y, int width, int height) const {
            return SetDIBitsToDevice(dc, x, y, (DWORD)width, (DWORD)height, 0, 0, 0, (UINT)Header.biHeight, Bits.data(),
                                     reinterpret_cast<const BITMAPINFO*>(this), DIB_RGB_COLORS);
        }
    };

    // Retrieves everything that waits; paints validate, timers stop.
    static std::vector<UINT> Drain() {
        std::vector<UINT> order;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            order.push_back(msg.message);
            if (msg.message == WM_PAINT) {
                PAINTSTRUCT paint;
                BeginPaint(msg.hwnd, &paint);
                EndPaint(msg.hwnd, &paint);
            }
            if (msg.message == WM_TIMER) KillTimer(msg.hwnd, msg.wParam);
        }
        return order;
    }
};

TEST_F(PlatformTest, MessagesComeInTheDocumentedOrder) {
    HWND window = MakeWindow(0, 0, 50, 50);
    Drain();
    SetTimer(window, 1, 10, nullptr);
    np::AdvanceClock(20);  // the timer is due
    InvalidateRect(window, nullptr, FALSE);
    PostQuitMessage(3);
    np::QueueInput(window, WM_KEYDOWN);
    PostMessageA(window, kPrivate, 0, 0);
    PostMessageA(window, kPrivate + 1, 0, 0);
    EXPECT_EQ(Drain(),
              (std::vector<UINT>{kPrivate, kPrivate + 1, WM_KEYDOWN, WM_QUIT, WM_PAINT, WM_TIMER}));

    // A window whose update region stays invalid starves the timer.
    SetTimer(window, 1, 10, nullptr);
    np::AdvanceClock(20);
    InvalidateRect(window, nullptr, FALSE);
    MSG msg;
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, (UINT)WM_PAINT);
    }
}

TEST_F(PlatformTest, PeriodicTimerRestartsWhenRetrieved) {
    HWND window = MakeWindow(0, 0, 50, 50);
    Drain();
    SetTimer(window, 7, 100, nullptr);
    np::AdvanceClock(250);  // two intervals late: one message, not two
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_TIMER);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    np::AdvanceClock(99);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    np::AdvanceClock(1);  // one interval after it was retrieved
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    KillTimer(window, 7);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(PlatformTest, PaintingDrawsOnlyInsideTheUpdateRegion) {
    HWND window = MakeWindow(0, 0, 100, 100);
    Drain();
    const COLORREF before = RGB(10, 20, 30), after = RGB(200, 100, 50);
    Bitmap(100, 100, before).Draw(GetDC(window), 0, 0, 100, 100);
    const RECT a = {10, 10, 20, 20}, b = {50, 50, 60, 60};
    InvalidateRect(window, &a, FALSE);
    InvalidateRect(window, &b, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    EXPECT_EQ(paint.rcPaint.left, 10);
    EXPECT_EQ(paint.rcPaint.bottom, 60);
    Bitmap(100, 100, after).Draw(dc, 0, 0, 100, 100);
    EndPaint(window, &paint);
    EXPECT_EQ(np::ScreenPixel(10, 10), after);
    EXPECT_EQ(np::ScreenPixel(19, 19), after);
    EXPECT_EQ(np::ScreenPixel(55, 55), after);
    EXPECT_EQ(np::ScreenPixel(20, 20), before);  // inside the bounding box, outside the region
    EXPECT_EQ(np::ScreenPixel(35, 35), before);
    EXPECT_EQ(np::ScreenPixel(60, 59), before);
    // The region was validated, and outside painting the whole window is reachable again.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    Bitmap(100, 100, after).Draw(GetDC(window), 0, 0, 100, 100);
    EXPECT_EQ(np::ScreenPixel(35, 35), after);
}

TEST_F(PlatformTest, AnimatePaletteChangesOnlyReservedEntries) {
    StartFreshProcess(np::DisplayKind::Palette256, 64, 64);
    HWND window = MakeWindow(0, 0, 64, 64);
    Drain();
    struct {
        WORD version = 0x300, count = 256;
        PALETTEENTRY entries[256] = {};
    } logical;
    logical.entries[20] = {1, 2, 3, 0};
    logical.entries[21] = {4, 5, 6, PC_RESERVED};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
    HDC dc = GetDC(window);
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    // Pixels 0 and 1 name logical entries 20 and 21.
    struct {
        BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), 4, 1, 1, 8, BI_RGB, 4, 0, 0, 0, 0};
        WORD indices[256] = {20, 21};
    } info;
    const uint8_t bits[4] = {0, 1, 0, 1};
    SetDIBitsToDevice(dc, 0, 0, 4, 1, 0, 0, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(&info), DIB_PAL_COLORS);
    EXPECT_EQ(np::ScreenPixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(np::ScreenPixel(1, 0), RGB(4, 5, 6));
    const PALETTEENTRY changed[2] = {{100, 100, 100, 0}, {200, 200, 200, PC_RESERVED}};
    EXPECT_TRUE(AnimatePalette(palette, 20, 2, changed));
    EXPECT_EQ(np::ScreenPixel(0, 0), RGB(1, 2, 3));        // not reserved: unchanged
    EXPECT_EQ(np::ScreenPixel(1, 0), RGB(200, 200, 200));  // shows at once, without drawing again
    DeleteObject(palette);
}

TEST_F(PlatformTest, DrawingStopsExactlyAtTheRightAndBottomEdges) {
    HWND parent = MakeWindow(0, 0, 200, 100);
    HWND child = MakeWindow(10, 10, 30, 20, parent);
    Drain();
    const COLORREF color = RGB(9, 99, 199);
    Bitmap big(64, 64, color);
    EXPECT_EQ(big.Draw(GetDC(child), 0, 0, 64, 64), 64);
    EXPECT_EQ(np::ScreenPixel(10, 10), color);
    EXPECT_EQ(np::ScreenPixel(39, 29), color);  // the child's last column and row
    EXPECT_EQ(np::ScreenPixel(40, 29), 0u);
    EXPECT_EQ(np::ScreenPixel(39, 30), 0u);
    EXPECT_EQ(np::ScreenPixel(9, 9), 0u);
    // A bitmap narrower than the destination draws its own columns only.
    Bitmap narrow(5, 3, RGB(1, 1, 1));
    narrow.Draw(GetDC(parent), 100, 50, 20, 3);
    EXPECT_EQ(np::ScreenPixel(104, 52), RGB(1, 1, 1));
    EXPECT_EQ(np::ScreenPixel(105, 52), 0u);
    // A window larger than the screen draws up to the screen's edges only.
    HWND huge = MakeWindow(150, 80, 500, 500);
    Bitmap(500, 500, color).Draw(GetDC(huge), 0, 0, 500, 500);
    EXPECT_EQ(np::ScreenPixel(199, 99), color);
}

TEST_F(PlatformTest, DefaultProcedureRecordsWhatItIsGiven) {
    HWND window = MakeWindow(0, 0, 50, 50);
    DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    DefWindowProcA(window, WM_KEYDOWN, 'A', 0);
    const std::vector<MSG>& handled = np::DefaultHandledMessages();
    ASSERT_GE(handled.size(), 2u);
    EXPECT_EQ(handled[handled.size() - 2].message, (UINT)WM_SYSCOMMAND);
    EXPECT_EQ(handled[handled.size() - 2].wParam, (WPARAM)SC_SCREENSAVE);
    EXPECT_EQ(handled.back().message, (UINT)WM_KEYDOWN);
    // SC_CLOSE closes, as on Windows.
    DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

// What a program that shows the display reads: the area changed since it last
// looked, and each pixel's colour, the same as ScreenPixel says.
TEST_F(PlatformTest, ProgramsSeeWhatChangedAndItsColours) {
    for (np::DisplayKind kind : {np::DisplayKind::TrueColor, np::DisplayKind::Palette256}) {
        StartFreshProcess(kind, 64, 48);
        HWND window = MakeWindow(0, 0, 64, 48);
        Drain();
        np::TakeChangedArea();
        HDC dc = GetDC(window);
        const Bitmap bitmap(4, 2, RGB(250, 10, 10));  // near a system colour on a palette device
        bitmap.Draw(dc, 5, 7, 4, 2);
        const RECT drawn = np::TakeChangedArea();
        EXPECT_EQ(drawn.left, 5);
        EXPECT_EQ(drawn.top, 7);
        EXPECT_EQ(drawn.right, 9);
        EXPECT_EQ(drawn.bottom, 9);
        const RECT again = np::TakeChangedArea();
        EXPECT_TRUE(again.left >= again.right) << "taken once";
        uint32_t row[64];
        np::ScreenRowRgb(7, 0, 64, row);
        for (int x = 0; x < 64; x++) {
            const COLORREF c = np::ScreenPixel(x, 7);
            EXPECT_EQ(row[x], (uint32_t)GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)) << x;
        }
        EXPECT_NE(row[5], 0u);
        EXPECT_TRUE(ScrollWindow(window, 0, -3, nullptr, nullptr));
        const RECT scrolled = np::TakeChangedArea();
        EXPECT_EQ(scrolled.right - scrolled.left, 64);
        EXPECT_EQ(scrolled.bottom - scrolled.top, 48);
    }
    // Palette animation changes what every pixel of the entry shows, without drawing.
    StartFreshProcess(np::DisplayKind::Palette256, 16, 16);
    struct {
        WORD version = 0x300, count = 32;
        PALETTEENTRY entries[32] = {};
    } logical;
    logical.entries[30] = {1, 2, 3, PC_RESERVED};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
    np::TakeChangedArea();
    const PALETTEENTRY changed = {9, 9, 9, PC_RESERVED};
    AnimatePalette(palette, 30, 1, &changed);
    const RECT all = np::TakeChangedArea();
    EXPECT_EQ(all.right - all.left, 16);
    EXPECT_EQ(all.bottom - all.top, 16);
    DeleteObject(palette);
}

TEST_F(PlatformTest, ASecondClassOfTheSameNameSaysSoAndTheDisplayKeepsItsRate) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "Twice";
    EXPECT_NE(RegisterClassA(&window_class), 0);
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&window_class), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    np::OpenDisplay(np::DisplayKind::TrueColor, 32, 32, 75);
    HWND window = MakeWindow(0, 0, 32, 32);
    EXPECT_EQ(GetDeviceCaps(GetDC(window), VREFRESH), 75);
}

// Several monitors: the virtual screen is their bounding box, which starts left
// of the primary monitor here; windows there draw into the display's pixels.
TEST_F(PlatformTest, SeveralMonitorsMakeOneVirtualScreen) {
    // The primary, a shorter one left of it and one above it, to the right.
    np::OpenMonitors(np::DisplayKind::TrueColor, {{0, 0, 100, 80}, {-60, 30, 0, 70}, {100, -20, 140, 10}});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 100);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 80);
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -60);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), -20);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 200);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 100);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 3);
    EXPECT_EQ(np::DisplayWidth(), 200);
    EXPECT_EQ(np::DisplayHeight(), 100);
    EXPECT_EQ(np::DisplayOrigin().x, -60);
    EXPECT_EQ(np::DisplayOrigin().y, -20);
    // A window at screen (-50, 40) on the left monitor is display pixel (10, 60).
    HWND window = MakeWindow(-50, 40, 8, 4);
    Drain();
    np::TakeChangedArea();
    const Bitmap bitmap(8, 4, RGB(200, 100, 50));
    EXPECT_EQ(bitmap.Draw(GetDC(window), 0, 0, 8, 4), 4);
    EXPECT_EQ(np::ScreenPixel(10, 60), RGB(200, 100, 50));
    EXPECT_EQ(np::ScreenPixel(17, 63), RGB(200, 100, 50));
    EXPECT_EQ(np::ScreenPixel(9, 60), 0u);
    EXPECT_EQ(np::ScreenPixel(18, 63), 0u);
    const RECT drawn = np::TakeChangedArea();
    EXPECT_EQ(drawn.left, 10);
    EXPECT_EQ(drawn.top, 60);
    // One that starts left of the virtual screen is cut at its edge.
    HWND beyond = MakeWindow(-70, -20, 20, 2);
    Drain();
    EXPECT_EQ(Bitmap(20, 2, RGB(1, 2, 3)).Draw(GetDC(beyond), 0, 0, 20, 2), 2);
    EXPECT_EQ(np::ScreenPixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(np::ScreenPixel(9, 1), RGB(1, 2, 3));
    EXPECT_EQ(np::ScreenPixel(10, 1), 0u);
}

// A window's background is erased with its class's brush; a class without one
// leaves the erasing to the window, and the default erases nothing.
TEST_F(PlatformTest, TheDefaultEraseUsesTheClassBrushOrNone) {
    WNDCLASSA black = {};
    black.lpfnWndProc = DefWindowProcA;
    black.lpszClassName = "Black";
    black.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    ASSERT_NE(RegisterClassA(&black), 0);
    HWND plain = MakeWindow(0, 0, 10, 10);
    HWND brushed = CreateWindowExA(0, "Black", "", WS_POPUP | WS_VISIBLE, 20, 0, 10, 10, nullptr, nullptr, nullptr,
                                   nullptr);
    Drain();
    for (HWND window : {plain, brushed}) EXPECT_EQ(Bitmap(10, 10, RGB(5, 6, 7)).Draw(GetDC(window), 0, 0, 10, 10), 10);
    for (HWND window : {plain, brushed}) InvalidateRect(window, nullptr, TRUE);
    Drain();
    EXPECT_EQ(np::ScreenPixel(5, 5), RGB(5, 6, 7));  // no brush: what was drawn stays
    EXPECT_EQ(np::ScreenPixel(25, 5), 0u);           // the black brush
}

// An area beside the screen belongs to the display but not to the virtual
// screen: a full-screen window never reaches it, a window placed in it draws there.
TEST_F(PlatformTest, AnAreaBesideTheScreenIsDrawnButLeftOutOfTheScreen) {
    np::OpenMonitors(np::DisplayKind::TrueColor, {{0, 0, 100, 80}}, 60, RECT{100, 0, 140, 30});
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 100);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 80);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    EXPECT_EQ(np::DisplayWidth(), 140);
    EXPECT_EQ(np::DisplayHeight(), 80);
    HWND screen = MakeWindow(0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    HWND beside = MakeWindow(100, 0, 40, 30);
    Drain();
    EXPECT_EQ(Bitmap(100, 80, RGB(9, 9, 9)).Draw(GetDC(screen), 0, 0, 100, 80), 80);
    EXPECT_EQ(Bitmap(40, 30, RGB(7, 8, 9)).Draw(GetDC(beside), 0, 0, 40, 30), 30);
    EXPECT_EQ(np::ScreenPixel(99, 79), RGB(9, 9, 9));
    EXPECT_EQ(np::ScreenPixel(100, 0), RGB(7, 8, 9));
    EXPECT_EQ(np::ScreenPixel(139, 29), RGB(7, 8, 9));
    EXPECT_EQ(np::ScreenPixel(100, 30), 0u);  // below the area: part of neither
    EXPECT_DEATH(np::OpenMonitors(np::DisplayKind::TrueColor, {{0, 0, 100, 80}}, 60, RECT{90, 0, 140, 30}),
                 "OpenMonitors");
}

// Windows' coarse clock: the tick count in 15.625 ms steps, waits that end on
// an interrupt, and 1 ms steps while the resolution is raised.
TEST_F(PlatformTest, TheCoarseClockTicksAsWindowsDoesUntilTheResolutionIsRaised) {
    np::UseCoarseClock(true);
    np::SetTickCount(1000);  // an interrupt: 64 x 15.625
    EXPECT_EQ(GetTickCount(), 1000u);
    np::AdvanceClock(10);
    EXPECT_EQ(GetTickCount(), 1000u);  // the tick count waits for the next interrupt
    EXPECT_EQ(timeGetTime(), 1000u);
    // A wait of 17 ms counts from the last interrupt and ends at the first one after it.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 17, QS_ALLINPUT);
    EXPECT_EQ(np::ExactTime(), 1032u);
    EXPECT_EQ(GetTickCount(), 1032u);
    Sleep(1);
    EXPECT_EQ(np::ExactTime(), 1047u);

    EXPECT_EQ(timeBeginPeriod(1), (MMRESULT)TIMERR_NOERROR);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    EXPECT_EQ(np::ExactTime(), 1052u);
    EXPECT_EQ(timeGetTime(), 1052u);   // the multimedia clock now has 1 ms steps
    EXPECT_EQ(GetTickCount(), 1047u);  // the tick count never does
    EXPECT_EQ(timeEndPeriod(1), (MMRESULT)TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), (MMRESULT)TIMERR_NOCANDO);  // nothing left to give back
    EXPECT_EQ(timeGetTime(), 1047u);
    EXPECT_EQ(np::TimerPeriods().Begins, 1);
    EXPECT_EQ(np::TimerPeriods().Ends, 1);
}

// With the real clock a thread that waits for messages waits on the input
// source, no longer than the next timer, and work in between polls it.
TEST_F(PlatformTest, OnTheRealClockWaitsGoToTheInputSource) {
    HWND window = MakeWindow(0, 0, 50, 50);
    Drain();
    std::vector<DWORD> waits;
    int polls = 0;
    np::UseRealTime({[&](DWORD ms) {
                         waits.push_back(ms);
                         np::QueueInput(window, WM_KEYDOWN);
                     },
                     [&] { polls++; }});
    const DWORD start = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GE(GetTickCount() - start, 30u);
    Sleep(20);
    EXPECT_GE(GetTickCount() - start, 50u);

    SetTimer(window, 1, 400, nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), (DWORD)WAIT_OBJECT_0);
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_LE(waits[0], 400u);
    EXPECT_GE(waits[0], 300u);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_KEYDOWN);
    EXPECT_GE(polls, 1);
    KillTimer(window, 1);
    // No timer: GetMessageA waits for as long as it takes instead of failing.
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(waits.back(), (DWORD)INFINITE);
    EXPECT_EQ(msg.message, (UINT)WM_KEYDOWN);
}

// Rectangles as user32 unites them: an empty one adds nothing, two give their
// bounding box, and two empty ones the empty rectangle, in place too.
TEST_F(PlatformTest, RectanglesUniteAsUser32Does) {
    const RECT a = {10, 20, 30, 40}, b = {-5, 25, 15, 60}, flat = {50, 50, 50, 90}, inverted = {9, 9, 3, 12};
    EXPECT_FALSE(IsRectEmpty(&a));
    EXPECT_TRUE(IsRectEmpty(&flat));
    EXPECT_TRUE(IsRectEmpty(&inverted));
    RECT united = {1, 2, 3, 4};
    EXPECT_TRUE(UnionRect(&united, &a, &b));
    EXPECT_EQ(united.left, -5);
    EXPECT_EQ(united.top, 20);
    EXPECT_EQ(united.right, 30);
    EXPECT_EQ(united.bottom, 60);
    // An empty rectangle on either side adds nothing, wherever it lies.
    for (const bool flat_first : {true, false}) {
        united = {1, 2, 3, 4};
        EXPECT_TRUE(flat_first ? UnionRect(&united, &flat, &a) : UnionRect(&united, &a, &flat));
        EXPECT_EQ(united.left, 10) << flat_first;
        EXPECT_EQ(united.top, 20) << flat_first;
        EXPECT_EQ(united.right, 30) << flat_first;
        EXPECT_EQ(united.bottom, 40) << flat_first;
    }
    EXPECT_FALSE(UnionRect(&united, &flat, &inverted));
    EXPECT_EQ(united.left | united.top | united.right | united.bottom, 0);
    RECT pending = {0, 0, 0, 0};  // a record of changes that starts empty, united in place
    EXPECT_TRUE(UnionRect(&pending, &pending, &b));
    EXPECT_TRUE(UnionRect(&pending, &pending, &a));
    EXPECT_EQ(pending.left, -5);
    EXPECT_EQ(pending.right, 30);
}

// A program sets the calendar before it makes a window; however long the
// making takes, the window's first reading is the very millisecond set, and
// the calendar runs on with the clock from there.
TEST_F(PlatformTest, OnTheRealClockASetCalendarIsFirstReadAsSet) {
    np::UseRealTime({[](DWORD) {}, [] {}});
    np::SetCalendarMilliseconds(1700000000417ull);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_EQ(now.wMilliseconds, 417);
    EXPECT_EQ(now.wSecond, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    const uint64_t since_1601 = ((uint64_t)later.dwHighDateTime << 32) | later.dwLowDateTime;
    const uint64_t ms = (since_1601 - 116444736000000000ull) / 10000;
    EXPECT_GE(ms, 1700000000417ull + 30);
    EXPECT_LT(ms, 1700000000417ull + 60000);
}

using PlatformDeathTest = PlatformTest;

TEST_F(PlatformDeathTest, WhatIsNotImplementedStopsNamingTheCall) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HWND window = MakeWindow(0, 0, 50, 50);
    HDC dc = GetDC(window);
    EXPECT_DEATH(GetDeviceCaps(dc, 8), "GetDeviceCaps");
    EXPECT_DEATH(GetStockObject(0), "GetStockObject");
    EXPECT_DEATH(GetSystemMetrics(5), "GetSystemMetrics");
    EXPECT_DEATH(SystemParametersInfoA(1, 0, nullptr, 0), "SystemParametersInfoA");
    EXPECT_DEATH(SetMapMode(dc, 2), "SetMapMode");
    EXPECT_DEATH(SetTimer(window, 1, 10, [](HWND, UINT, UINT_PTR, DWORD) {}), "SetTimer");
    const RECT clip = {0, 0, 5, 5};
    EXPECT_DEATH(ScrollWindow(window, 0, 1, nullptr, &clip), "ScrollWindow");
    EXPECT_DEATH(WritePrivateProfileStringA("S", nullptr, nullptr, "x.ini"), "WritePrivateProfileStringA");
    EXPECT_DEATH(GetWindowLongPtrA(window, 0), "GetWindowLongPtrA");
    char path[MAX_PATH];
    EXPECT_DEATH(SHGetFolderPathA(nullptr, 5, nullptr, 0, path), "SHGetFolderPathA");
    BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 24, BI_RGB, 4, 0, 0, 0, 0};
    const uint8_t bits[4] = {};
    EXPECT_DEATH(SetDIBitsToDevice(dc, 0, 0, 1, 1, 0, 0, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(&header),
                                   DIB_RGB_COLORS),
                 "SetDIBitsToDevice");
}

}  // namespace
