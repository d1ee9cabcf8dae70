#include "live_presenter.h"

#include <algorithm>
#include <chrono>

namespace np = native_platform;

namespace {

void Wait(LivePresenterRecord& p, DWORD milliseconds) {
    const uint64_t start = LiveNow();
    const uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : start + milliseconds;
    p.InputQueued = false;
    for (;;) {
        p.Backend.Look(p.Backend.Context);
        const uint64_t now = LiveNow();
        if (p.InputQueued || now >= deadline) return;
        p.Backend.Sleep(p.Backend.Context, std::min(deadline, now + kLongestSlice));
    }
}

void Poll(LivePresenterRecord& p) {
    const uint64_t now = LiveNow();
    if (p.Backend.Busy) p.Backend.Busy(p.Backend.Context, now);
    if (now - p.LastPoll < kPollSpacing) return;
    p.LastPoll = now;
    p.Backend.Look(p.Backend.Context);
}

}  // namespace

uint64_t LiveNow() {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void PresentSaver(LivePresenterRecord& p, HWND input_target, HWND close_target) {
    p.InputTarget = input_target;
    p.CloseTarget = close_target;
    p.Pending = {0, 0, np::DisplayWidth(), np::DisplayHeight()};
}

void TakeDisplayChanges(LivePresenterRecord& p) {
    const RECT changed = np::TakeChangedArea();
    UnionRect(&p.Pending, &p.Pending, &changed);
}

void QueueLiveInput(LivePresenterRecord& p, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!p.InputTarget) return;
    np::QueueInput(p.InputTarget, message, wparam, lparam);
    p.InputQueued = true;
}

void AskSaverToClose(LivePresenterRecord& p) {
    if (p.CloseTarget && IsWindow(p.CloseTarget)) PostMessageA(p.CloseTarget, WM_CLOSE, 0, 0);
    p.InputQueued = true;
}

void FollowEndRequest(LivePresenterRecord& p, bool end_asked) {
    if (!end_asked || !p.CloseTarget || p.StopAskedOf == p.CloseTarget) return;
    p.StopAskedOf = p.CloseTarget;
    AskSaverToClose(p);
}

np::InputSource LiveInput(LivePresenterRecord& p) {
    return {[&p](DWORD milliseconds) { Wait(p, milliseconds); }, [&p] { Poll(p); }};
}
