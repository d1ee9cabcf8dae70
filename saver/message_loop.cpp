#include "message_loop.h"

#include "clock.h"

PacedMessageRecord PacedMessage;
TimerResolutionRecord TimerResolution;

namespace {

void RaiseTimerResolution() {
    if (TimerResolution.Raised) return;
    TimerResolution.Raised = timeBeginPeriod(1) == TIMERR_NOERROR;
}

}  // namespace

void GiveBackTimerResolution() {
    if (!TimerResolution.Raised) return;
    timeEndPeriod(1);
    TimerResolution.Raised = false;
}

void PostMessageAt(HWND window, UINT message, WPARAM wparam, LPARAM lparam, uint32_t due) {
    RaiseTimerResolution();
    PacedMessage = {true, window, message, wparam, lparam, due};
}

// Whatever ends the paced chain ends the animation it drove.
void CancelPacedMessage() {
    PacedMessage = PacedMessageRecord{};
    GiveBackTimerResolution();
}

bool DispatchNextMessage(int& exit_code) {
    MSG msg;
    for (;;) {
        // Whatever waits goes first, in the platform's order: the paced message
        // is posted only into an empty queue.
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (!PacedMessage.Pending) {
            GiveBackTimerResolution();  // nothing animates until something is paced again
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got > 0) break;
            exit_code = got == 0 ? (int)msg.wParam : -1;
            return false;
        }
        const int32_t wait = (int32_t)(PacedMessage.Due - PacingTime());
        if (wait <= 0) {
            PacedMessage.Pending = false;  // its handler paces the next one, or the chain ends
            PostMessageA(PacedMessage.Window, PacedMessage.Message, PacedMessage.WParam, PacedMessage.LParam);
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
    GiveBackTimerResolution();
    return exit_code;
}
