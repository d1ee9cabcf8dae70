#include "message_loop.h"

#include "clock.h"
#include "saver_record.h"

TimerResolutionRecord TimerResolution;

namespace {

void RaiseTimerResolution(PacedMessageRecord& paced) {
    if (paced.ResolutionRaised || timeBeginPeriod(1) != TIMERR_NOERROR) return;
    paced.ResolutionRaised = true;
    TimerResolution.Raises++;
}

PacedMessageRecord* PacedOf(HWND window) {
    SaverRecord* saver = SaverOf(window);
    return saver ? &saver->PacedMessage : nullptr;
}

}  // namespace

void GiveBackTimerResolution(PacedMessageRecord& paced) {
    if (!paced.ResolutionRaised) return;
    timeEndPeriod(1);
    paced.ResolutionRaised = false;
    TimerResolution.Raises--;
}

void GiveBackEveryTimerResolution() {
    for (; TimerResolution.Raises > 0; TimerResolution.Raises--) timeEndPeriod(1);
}

void PostMessageAt(PacedMessageRecord& paced, HWND window, UINT message, WPARAM wparam, LPARAM lparam, uint32_t due) {
    RaiseTimerResolution(paced);
    paced.Pending = true;
    paced.Window = window;
    paced.Message = message;
    paced.WParam = wparam;
    paced.LParam = lparam;
    paced.Due = due;
}

// Whatever ends the paced chain ends the animation it drove.
void CancelPacedMessage(PacedMessageRecord& paced) {
    paced.Pending = false;
    GiveBackTimerResolution(paced);
}

bool DispatchNextMessage(const HWND savers[], size_t count, int& exit_code) {
    MSG msg;
    for (;;) {
        // Whatever waits goes first, in the platform's order: a paced message
        // is posted only into an empty queue.
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        PacedMessageRecord* next = nullptr;
        for (size_t i = 0; i < count; i++) {
            PacedMessageRecord* paced = PacedOf(savers[i]);
            if (!paced) continue;
            if (!paced->Pending) {
                GiveBackTimerResolution(*paced);  // nothing of it animates until something is paced again
                continue;
            }
            if (!next || (int32_t)(paced->Due - next->Due) < 0) next = paced;
        }
        if (!next) {
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got > 0) break;
            exit_code = got == 0 ? (int)msg.wParam : -1;
            return false;
        }
        const int32_t wait = (int32_t)(next->Due - PacingTime());
        if (wait <= 0) {
            next->Pending = false;  // its handler paces the next one, or the chain ends
            PostMessageA(next->Window, next->Message, next->WParam, next->LParam);
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

int RunMessageLoop(HWND saver) {
    int exit_code = 0;
    while (DispatchNextMessage(&saver, 1, exit_code)) {
    }
    if (PacedMessageRecord* paced = PacedOf(saver)) GiveBackTimerResolution(*paced);
    return exit_code;
}
