// State shared by the native platform's parts (not for code above the platform).
// Each area keeps its state in one record; Reset() gives every record its start value.
#ifndef VELMORA_NATIVE_STATE_H
#define VELMORA_NATIVE_STATE_H

#include "display_host.h"
#include "pixel_lookup.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct HGDIOBJ__ {
    bool IsPalette;
    std::vector<PALETTEENTRY> Entries;
    bool IsBrush = false;
    COLORREF Color = 0;  // a brush's colour, or PALETTEINDEX(i)
};

struct HDC__ {
    HWND Window;
    HPALETTE Palette;
    // Between BeginPaint and EndPaint drawing reaches only the update region.
    bool Clipped;
    std::vector<RECT> Clip;  // client coordinates
    HBRUSH Brush = nullptr;  // selected; null: the black stock brush
    bool NullPen = false;
};

struct HWND__ {
    std::string ClassName;
    std::string Title;
    WNDPROC Procedure;
    HBRUSH Background;  // the class's
    HWND Parent;
    DWORD Style;
    int X, Y, Width, Height;  // relative to the parent's client area, or the screen
    bool Alive;
    LONG_PTR UserData;  // GWLP_USERDATA
    std::vector<RECT> Update;  // the update region as rectangles; empty: valid
    bool Erase;
    HDC__ Dc;  // one device context per window, as with CS_OWNDC
};

namespace native_platform {

struct DisplayRecord {
    DisplayKind Kind = DisplayKind::TrueColor;
    int Width = 0, Height = 0;
    int Left = 0, Top = 0;      // screen coordinates of the display's top-left pixel
    std::vector<RECT> Monitors;  // screen coordinates; the first is the primary, at (0, 0)
    RECT VirtualScreen = {0, 0, 0, 0};  // the monitors' bounding box; the display may reach beyond it
    int RefreshHz = 60;
    std::vector<uint32_t> Pixels;  // palette device: hardware indices; else COLORREF values
    // An 8-bit bitmap drawn over a rectangle is kept as it came until someone
    // draws over it otherwise or moves it (deferred_pixels.h): in row y, the
    // pixels of DeferredSpans[y] are DeferredColors of their bytes in Indices,
    // and Pixels there is stale. A saver that redraws its window a hundred
    // times a second then pays for the colours only of the frames a presenter
    // shows.
    std::vector<uint8_t> Indices;  // one per display pixel, once an 8-bit bitmap was drawn
    struct Span {
        int Left = 0, Right = 0;  // display columns; empty when Left >= Right
    };
    std::vector<Span> DeferredSpans;    // one per display row, with Indices
    uint32_t DeferredColors[256] = {};  // stored values, as Pixels holds them
    RECT Deferred = {0, 0, 0, 0};       // holds every span; empty: none
    // Counts changes of DeferredColors and of Hardware: each reader's table
    // of the deferred bytes' colours is made again after one, else kept.
    uint64_t ColorsVersion = 0;
    struct ReadTable {
        uint64_t Version = UINT64_MAX;
        PixelTable Table;
    };
    ReadTable ReadTables[4];  // by DeferredReader
    PALETTEENTRY Hardware[256] = {};
    RECT Changed = {0, 0, 0, 0};  // screen area changed since TakeChangedArea; empty: none
};

extern DisplayRecord Display;
extern std::atomic<uint32_t> TickCount;
extern uint64_t CalendarBaseMs;  // calendar time when the tick count was 0

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
