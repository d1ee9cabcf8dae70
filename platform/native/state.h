// State shared by the native platform's parts (not for code above the platform).
#ifndef VELMORA_NATIVE_STATE_H
#define VELMORA_NATIVE_STATE_H

#include "test_hooks.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct HGDIOBJ__ {
    bool is_palette;
    std::vector<PALETTEENTRY> entries;
};

struct HDC__ {
    HWND window;
    HPALETTE palette;
};

struct HWND__ {
    std::string class_name;
    std::string title;
    WNDPROC procedure;
    HWND parent;
    DWORD style;
    int x, y, width, height;  // relative to the parent's client area, or the screen
    bool alive;
    bool invalid;
    bool erase;
    RECT invalid_rect;
    HDC__ dc;
};

namespace native_platform {

struct Display {
    DisplayKind kind;
    int width, height;
    std::vector<uint32_t> pixels;  // palette device: hardware indices; else 0x00RRGGBB
    PALETTEENTRY hardware[256];
};

extern Display display;
extern std::atomic<uint32_t> tick_count;
extern uint64_t calendar_base_ms;  // calendar time when the tick count was 0

bool IsPaletteDevice();
void ResetDisplay(DisplayKind kind, int width, int height);
void ResetKernel();
void ResetUser();
void RecordDelivery(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Screen position of a window's client origin.
POINT ClientOrigin(HWND window);
HWND LiveWindow(HWND window);  // the window if it is alive, else null

}  // namespace native_platform

#endif
