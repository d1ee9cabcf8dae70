#include "message_pump.h"

#include "saver_record.h"

namespace {

// A message that ends the current piece of work: it stays for the outer loop.
bool EndsWork(const SaverRecord& saver, const MSG& msg) {
    const bool ours = msg.hwnd == saver.Window || msg.hwnd == nullptr;
    // WM_QUIT as well: dispatching it here would lose the end of the loop.
    return msg.message == WM_QUIT ||
           (ours && (msg.message == WM_CLOSE || msg.message == WM_TIMER || msg.message == WM_DESTROY));
}

}  // namespace

void PumpMessages(SaverRecord& saver) {
    if (saver.AbortRequested) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        HWND from = nullptr;  // the whole queue
        if (msg.hwnd && msg.hwnd != saver.Window && SaverOf(msg.hwnd)) {
            // Another saver's message waits until this work is done; this
            // saver's own, further back, still come through.
            if (!PeekMessageA(&msg, saver.Window, 0, 0, PM_NOREMOVE)) return;
            from = saver.Window;
        }
        if (EndsWork(saver, msg)) {
            saver.AbortRequested = true;
            return;
        }
        GetMessageA(&msg, from, 0, 0);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
