// Operations the saver's handlers share: the display queries, the warning
// box, the image fill, the message pump, time.
#include "window_core.h"

#include "saver_state.h"

#include "config/module_instance.h"
#include "config/settings.h"

#include <cstring>

int32_t QueryPaletteSize(HWND window) {
    HDC dc = GetDC(window);
    int32_t size = GetDeviceCaps(dc, SIZEPALETTE);
    if (size == 0) {
        int32_t colours = GetDeviceCaps(dc, NUMCOLORS);
        size = (colours < 0 || colours >= 256) ? 256 : colours;
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

void ShowSaverMessage(UINT string_id) {
    char text[500];
    LoadStringA(ResourceModule(), string_id, text, sizeof text);
    MessageBeep(0);
    MessageBoxA(nullptr, text, SettingsSection, MB_ICONWARNING);
}

void FillImage(uint8_t* first, uint8_t* last) {
    memset(first, (uint8_t)SaverState.Palette.FirstAnimatedIndex, (size_t)(last - first) + 1);
}

// Dispatches waiting messages until one that must end the current piece of
// work stands at the head of the queue; that one stays for the outer loop.
void PumpMessages() {
    if (AbortRequested) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        // WM_QUIT as well: dispatching it here would lose the end of the loop.
        if (msg.message == WM_CLOSE || msg.message == WM_TIMER || msg.message == WM_DESTROY ||
            msg.message == WM_QUIT) {
            AbortRequested = true;
            return;
        }
        GetMessageA(&msg, nullptr, 0, 0);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

uint32_t SecondsToMilliseconds(int64_t seconds) {
    const int64_t longest = 0x7FFFFFFF;  // the longest timer the platform accepts
    if (seconds <= 0) return 0;
    return seconds >= longest / 1000 ? (uint32_t)longest : (uint32_t)(seconds * 1000);
}
