// The native display keeps 8-bit bitmaps as bytes until their colours are
// read: whatever is drawn, filled, scrolled or painted in whatever order, every
// reader sees what drawing each pixel at once would have shown.
#include "platform/native/pixel_lookup.h"
#include "platform/native/test_hooks.h"
#include "support/fresh_process.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace np = native_platform;

namespace {

// Both lookups (64 at a time where the processor can, eight bytes a load
// everywhere) against one byte at a time, at every length and start around
// the widths of their steps.
TEST(PixelLookup, EqualsOneByteAtATimeAtAnyLengthAndStart) {
    std::mt19937 random(7);
    uint32_t values[256];
    for (uint32_t& t : values) t = (uint32_t)random();
    np::PixelTable table;
    np::MakePixelTable(values, table);
    std::vector<uint8_t> bytes(700);
    for (uint8_t& b : bytes) b = (uint8_t)random();
    for (bool eight : {false, true})
        for (size_t start = 0; start < 9; start++)
            for (size_t count = 0; count + start <= bytes.size(); count += count < 330 ? 1 : 61) {
                std::vector<uint32_t> fast(count + 1, 0xDEADBEEF), plain(count + 1, 0xDEADBEEF);
                if (eight)
                    np::LookUpPixelsEightAtATime(bytes.data() + start, values, fast.data(), count);
                else
                    np::LookUpPixels(bytes.data() + start, table, fast.data(), count);
                for (size_t i = 0; i < count; i++) plain[i] = values[bytes[start + i]];
                ASSERT_EQ(fast, plain) << start << " " << count;  // the value after them untouched too
            }
}

// The display as drawing each pixel at once makes it: the model to hold the
// native one to, for one window's unclipped drawing, fills and scrolls.
struct Model {
    int Width, Height;
    std::vector<COLORREF> Pixels;
    Model(int width, int height) : Width(width), Height(height), Pixels((size_t)width * height, 0) {}
    void Set(int x, int y, COLORREF c) {
        if (x >= 0 && y >= 0 && x < Width && y < Height) Pixels[(size_t)y * Width + x] = c;
    }
};

class DeferredDisplayTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 97, kHeight = 61;
    // The window reaches past the display's left edge: drawing is cut there.
    static constexpr int kLeft = -6, kTop = 4, kWindowWidth = 90, kWindowHeight = 50;

    void SetUp() override {
        StartFreshProcess(np::DisplayKind::TrueColor, kWidth, kHeight);
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.lpszClassName = "Plain";
        RegisterClassA(&window_class);
        Window = CreateWindowExA(0, "Plain", "", WS_POPUP | WS_VISIBLE, kLeft, kTop, kWindowWidth, kWindowHeight,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(Window, nullptr);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        for (int y = 0; y < kHeight; y++)  // what the window's first paint left
            for (int x = 0; x < kWidth; x++) Expected.Set(x, y, np::ScreenPixel(x, y));
    }

    // A bitmap of random bytes through a table of a few colours (so that
    // pictures share colours, as a saver's pieces do), drawn at (x, y).
    void DrawBitmap(HDC dc, int x, int y, int width, int height, const std::vector<COLORREF>& colors,
                    bool (*inside)(int x, int y) = nullptr) {
        struct {
            BITMAPINFOHEADER Header;
            RGBQUAD Colors[256];
        } info = {};
        info.Header.biSize = sizeof info.Header;
        info.Header.biWidth = width;
        info.Header.biHeight = height;
        info.Header.biPlanes = 1;
        info.Header.biBitCount = 8;
        for (int v = 0; v < 256; v++) {
            const COLORREF c = colors[(size_t)v % colors.size()];
            info.Colors[v] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
        }
        const int stride = (width + 3) & ~3;
        std::vector<uint8_t> bits((size_t)stride * height);
        for (uint8_t& b : bits) b = (uint8_t)Random();
        SetDIBitsToDevice(dc, x, y, (DWORD)width, (DWORD)height, 0, 0, 0, (UINT)height, bits.data(),
                          reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
        for (int row = 0; row < height; row++)
            for (int column = 0; column < width; column++) {
                const int cx = x + column, cy = y + row;  // client coordinates
                if (cx < 0 || cy < 0 || cx >= kWindowWidth || cy >= kWindowHeight) continue;
                if (inside && !inside(cx, cy)) continue;
                const uint8_t byte = bits[(size_t)(height - 1 - row) * stride + column];
                Expected.Set(kLeft + cx, kTop + cy, colors[byte % colors.size()]);
            }
    }

    void Fill(int left, int top, int right, int bottom, COLORREF color) {
        for (int y = std::max(top, 0); y < std::min(bottom, kWindowHeight); y++)
            for (int x = std::max(left, 0); x < std::min(right, kWindowWidth); x++) Expected.Set(kLeft + x, kTop + y, color);
    }

    void Scroll(int dy) {
        ScrollWindow(Window, 0, dy, nullptr, nullptr);
        // The visible part of the window moves; what it uncovers keeps its old pixels until painted.
        const int left = std::max(kLeft, 0), right = std::min(kLeft + kWindowWidth, kWidth);
        const int top = kTop, bottom = std::min(kTop + kWindowHeight, kHeight);
        const Model before = Expected;
        for (int y = top; y < bottom; y++) {
            const int from = y - dy;
            if (from < top || from >= bottom) continue;
            for (int x = left; x < right; x++) Expected.Set(x, y, before.Pixels[(size_t)from * kWidth + x]);
        }
    }

    void ExpectTheModel(const char* after) {
        std::vector<COLORREF> row(kWidth);
        for (int y = 0; y < kHeight; y++) {
            np::ScreenRowColors(y, 0, kWidth, row.data());
            for (int x = 0; x < kWidth; x++) {
                ASSERT_EQ(row[x], Expected.Pixels[(size_t)y * kWidth + x]) << after << " at " << x << "," << y;
                ASSERT_EQ(np::ScreenPixel(x, y), row[x]) << after << " at " << x << "," << y;
            }
        }
        // A piece of a row, as a presenter reads a changed area, in RGB.
        std::vector<uint32_t> rgb(kWidth);
        np::ScreenRowRgb(kHeight / 2, 3, kWidth - 5, rgb.data());
        for (int x = 3; x < kWidth - 5; x++) {
            const COLORREF c = Expected.Pixels[(size_t)(kHeight / 2) * kWidth + x];
            ASSERT_EQ(rgb[x - 3], (uint32_t)GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)) << after << " " << x;
        }
    }

    // A paint that draws nothing: the update region goes (the class has no brush to erase with).
    void Validate() {
        PAINTSTRUCT paint;
        BeginPaint(Window, &paint);
        EndPaint(Window, &paint);
    }

    uint32_t Random() { return (uint32_t)Generator(); }
    int Between(int low, int high) { return low + (int)(Random() % (uint32_t)(high - low + 1)); }

    HWND Window = nullptr;
    Model Expected{kWidth, kHeight};
    std::mt19937 Generator{20261208};
};

TEST_F(DeferredDisplayTest, EveryReaderSeesWhatDrawingAtOnceWouldShow) {
    // Three palettes that share some colours, as pictures of one saver do.
    const std::vector<std::vector<COLORREF>> palettes = {
        {RGB(10, 20, 30), RGB(200, 0, 0), RGB(0, 200, 0), RGB(1, 2, 3)},
        {RGB(10, 20, 30), RGB(0, 0, 200), RGB(90, 90, 90)},
        {RGB(250, 250, 0), RGB(0, 250, 250), RGB(10, 20, 30), RGB(200, 0, 0), RGB(5, 5, 5)}};
    for (int step = 0; step < 400; step++) {
        const std::vector<COLORREF>& colors = palettes[(size_t)Random() % palettes.size()];
        HDC dc = GetDC(Window);
        const char* what = "";
        switch (Random() % 7) {
            case 0:  // the whole window
                DrawBitmap(dc, 0, 0, kWindowWidth, kWindowHeight, colors);
                what = "the whole window";
                break;
            case 1:
            case 2: {  // a piece anywhere, sometimes past the window's edges
                const int w = Between(1, 40), h = Between(1, 30);
                DrawBitmap(dc, Between(-10, kWindowWidth), Between(-10, kWindowHeight), w, h, colors);
                what = "a piece";
                break;
            }
            case 3: {  // rows of the whole width, as a moving picture's strip
                const int h = Between(1, 8);
                DrawBitmap(dc, 0, Between(0, kWindowHeight - h), kWindowWidth, h, colors);
                what = "a strip";
                break;
            }
            case 4: {  // a rectangle in a colour of the last drawing's palette, or black
                const COLORREF color = Random() % 3 ? colors[(size_t)Random() % colors.size()] : RGB(0, 0, 0);
                HBRUSH brush = CreateSolidBrush(color);
                HGDIOBJ before = SelectObject(dc, brush);
                SelectObject(dc, GetStockObject(NULL_PEN));
                const int left = Between(-5, kWindowWidth), top = Between(-5, kWindowHeight);
                const int right = left + Between(2, 30), bottom = top + Between(2, 20);
                Rectangle(dc, left, top, right, bottom);
                Fill(left, top, right - 1, bottom - 1, color);
                SelectObject(dc, before);
                DeleteObject(brush);
                what = "a rectangle";
                break;
            }
            case 5: {  // scrolled up or down; the paint it asks for is left waiting
                const int dy = Between(-9, 9);
                Scroll(dy);
                Validate();
                what = "a scroll";
                break;
            }
            case 6: {  // a paint of an update region of two rectangles
                RECT one = {Between(0, 40), Between(0, 20), 0, 0}, two = {Between(30, 80), Between(15, 45), 0, 0};
                one.right = one.left + Between(1, 30);
                one.bottom = one.top + Between(1, 20);
                two.right = two.left + Between(1, 20);
                two.bottom = two.top + Between(1, 10);
                ReleaseDC(Window, dc);
                Validate();
                InvalidateRect(Window, &one, FALSE);
                InvalidateRect(Window, &two, FALSE);
                PAINTSTRUCT paint;
                dc = BeginPaint(Window, &paint);
                static RECT a, b;
                a = one;
                b = two;
                DrawBitmap(dc, 0, 0, kWindowWidth, kWindowHeight, colors, [](int x, int y) {
                    auto in = [x, y](const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
                    return in(a) || in(b);
                });
                EndPaint(Window, &paint);
                dc = nullptr;
                what = "a paint of two rectangles";
                break;
            }
        }
        if (dc) ReleaseDC(Window, dc);
        if (Random() % 3 == 0 || step == 399) {
            ExpectTheModel(what);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
