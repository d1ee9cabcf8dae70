// State shared by the native platform's parts (not for code above the platform).
// Each area keeps its state in one record; Reset() gives every record its start value.
#ifndef VELMORA_NATIVE_STATE_H
#define VELMORA_NATIVE_STATE_H

#include "display_host.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct HGDIOBJ__ {
    bool is_palette;
    std::vector<PALETTEENTRY> entries;
    bool is_brush = false;
    COLORREF color = 0;  // a brush's colour, or PALETTEINDEX(i)
};

struct HDC__ {
    HWND window;
    HPALETTE palette;
    // Between BeginPaint and EndPaint drawing reaches only the update region.
    bool clipped;
    std::vector<RECT> clip;  // client coordinates
    HBRUSH brush = nullptr;  // selected; null: the black stock brush
    bool null_pen = false;
};

struct HWND__ {
    std::string class_name;
    std::string title;
    WNDPROC procedure;
    HWND parent;
    DWORD style;
    int x, y, width, height;  // relative to the parent's client area, or the screen
    bool alive;
    LONG_PTR user_data;  // GWLP_USERDATA
    std::vector<RECT> update;  // the update region as rectangles; empty: valid
    bool erase;
    HDC__ dc;  // one device context per window, as with CS_OWNDC
};

namespace native_platform {

struct Display {
    DisplayKind kind = DisplayKind::TrueColor;
    int width = 0, height = 0;
    int left = 0, top = 0;      // screen coordinates of the display's top-left pixel
    std::vector<RECT> monitors;  // screen coordinates; the first is the primary, at (0, 0)
    int refresh_hz = 60;
    std::vector<uint32_t> pixels;  // palette device: hardware indices; else COLORREF values
    PALETTEENTRY hardware[256] = {};
    RECT changed = {0, 0, 0, 0};  // screen area changed since TakeChangedArea; empty: none
};

extern Display display;
extern std::atomic<uint32_t> tick_count;
extern uint64_t calendar_base_ms;  // calendar time when the tick count was 0

// The tick count of the clock in use: the test clock, or the system's.
uint32_t Ticks();
bool RealTime();
// The test clock moves on as a wait of this long ends: on the coarse clock at
// an interrupt (test_hooks.h).
void WaitOnTestClock(uint32_t milliseconds);
// With the real clock: waits on the input source up to this long; polls it.
void WaitForInput(DWORD milliseconds);
void PollInput();
// Adds the screen rectangle (right and bottom exclusive) to the changed area.
void MarkChanged(int left, int top, int right, int bottom);

// Every call with an argument this layer does not implement ends here: the
// process stops naming the call, instead of going on with a made-up answer.
[[noreturn]] void Unimplemented(const char* call, const char* what);

bool IsPaletteDevice();
size_t LiveGdiObjects();
void ResetDisplay(DisplayKind kind, int width, int height);
void ResetKernel();
void ResetUser();
void RecordDelivery(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The smallest rectangle holding them all (empty: none).
RECT BoundingBox(const std::vector<RECT>& rects);
// Screen position of a window's client origin.
POINT ClientOrigin(HWND window);
HWND LiveWindow(HWND window);  // the window if it is alive, else null

}  // namespace native_platform

#endif
