#include "message_pump.h"

#include "saver_record.h"

void PumpMessages(SaverRecord& saver) {
    if (saver.AbortRequested) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        // WM_QUIT as well: dispatching it here would lose the end of the loop.
        const bool ours = msg.hwnd == saver.Window || msg.hwnd == nullptr;
        if (msg.message == WM_QUIT ||
            (ours && (msg.message == WM_CLOSE || msg.message == WM_TIMER || msg.message == WM_DESTROY))) {
            saver.AbortRequested = true;
            return;
        }
        GetMessageA(&msg, nullptr, 0, 0);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
