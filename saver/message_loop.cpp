#include "message_loop.h"

PacedMessageRecord PacedMessage;

void PostMessageAt(HWND window, UINT message, WPARAM wparam, LPARAM lparam, uint32_t due) {
    PacedMessage = {true, window, message, wparam, lparam, due};
}

void CancelPacedMessage() { PacedMessage = PacedMessageRecord{}; }

bool DispatchNextMessage(int& exit_code) {
    MSG msg;
    for (;;) {
        // Whatever waits goes first, in the platform's order: the paced message
        // is posted only into an empty queue.
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (!PacedMessage.Pending) {
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got > 0) break;
            exit_code = got == 0 ? (int)msg.wParam : -1;
            return false;
        }
        const int32_t wait = (int32_t)(PacedMessage.Due - GetTickCount());
        if (wait <= 0) {
            const PacedMessageRecord due = PacedMessage;
            CancelPacedMessage();
            PostMessageA(due.Window, due.Message, due.WParam, due.LParam);
            continue;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, (DWORD)wait, QS_ALLINPUT);
    }
    if (msg.message == WM_QUIT) {
        exit_code = (int)msg.wParam;
        return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void DiscardQueuedMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

int RunMessageLoop() {
    int exit_code = 0;
    while (DispatchNextMessage(exit_code)) {
    }
    return exit_code;
}
