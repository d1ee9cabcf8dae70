#include "message_pump.h"

#include "saver_state.h"

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
