#include "display_caps.h"

int32_t QueryPaletteSize(HWND window) {
    HDC dc = GetDC(window);
    int32_t size = GetDeviceCaps(dc, SIZEPALETTE);
    if (size == 0) {
        int32_t colors = GetDeviceCaps(dc, NUMCOLORS);
        size = (colors < 0 || colors >= 256) ? 256 : colors;
    }
    ReleaseDC(window, dc);
    return size;
}

uint8_t QueryPaletteDevice(HWND window) {
    HDC dc = GetDC(window);
    uint8_t device = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) ? 1 : 0;
    ReleaseDC(window, dc);
    return device;
}

int32_t QueryRefreshRate(HWND window) {
    HDC dc = GetDC(window);
    int32_t rate = GetDeviceCaps(dc, VREFRESH);  // 0 or 1: the hardware's default
    ReleaseDC(window, dc);
    return rate > 1 && rate <= 1000 ? rate : 60;
}
