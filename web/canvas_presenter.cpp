#include "canvas_presenter.h"

#include <algorithm>
#include <chrono>

namespace np = native_platform;

namespace {

constexpr uint32_t kPollSpacing = 5;     // ms between two looks for input while work goes on
constexpr uint32_t kLongestSlice = 100;  // ms one wait leaves the program at most
// A saver that is behind (its next step due before it waits) or at long work
// calls no wait at all; the page still gets its turn after this many ms of
// work, and is shown on the next animation frame when something changed.
constexpr uint32_t kLongestBusy = 50;
constexpr uint32_t kFrameWait = 50;  // ms to wait for that frame at most (the tab may be hidden)
constexpr int kEventsAtOnce = 64;
constexpr LONG kPiecePixels = 127;  // under 512 bytes: copied inside the wasm, not by a call out to the page

struct PresenterRecord {
    PageSize size = {0, 0, false};
    std::vector<uint32_t> rgba;  // the display as the canvas takes it
    HWND input_target = nullptr;
    RECT pending = {0, 0, 0, 0};  // changed and not yet shown
    uint64_t last_poll = 0;
    uint64_t last_turn = 0;  // when the page last had its turn
    bool restart = false;
    bool input_queued = false;
    bool cursor_shown = true;
    std::vector<std::pair<int32_t, int32_t>> setting_changes;
};

PresenterRecord presenter;

uint64_t Now() {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TakeChanges() {
    const RECT changed = np::TakeChangedArea();
    if (IsRectEmpty(&changed)) return;
    NoteDisplayChange();
    UnionRect(&presenter.pending, &presenter.pending, &changed);
}

void Present() {
    const int32_t width = np::DisplayWidth(), height = np::DisplayHeight();
    RECT r = presenter.pending;
    presenter.pending = {0, 0, 0, 0};
    r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, width),
         std::min<LONG>(r.bottom, height)};
    if (IsRectEmpty(&r) || presenter.rgba.size() != (size_t)width * (size_t)height) return;
    // A COLORREF is 0x00BBGGRR: in memory red, green, blue, then the opaque
    // alpha the canvas wants. Pieces small enough to stay in the cache take
    // the colours, and one pass adds the alpha on the way to the canvas's copy.
    COLORREF piece[kPiecePixels];
    for (LONG y = r.top; y < r.bottom; y++) {
        uint32_t* row = presenter.rgba.data() + (size_t)y * (size_t)width;
        for (LONG x = r.left; x < r.right; x += kPiecePixels) {
            const LONG n = std::min<LONG>(kPiecePixels, r.right - x);
            np::ScreenRowColors(y, x, x + n, piece);
            for (LONG i = 0; i < n; i++) row[x + i] = piece[i] | 0xFF000000u;
        }
    }
    PutPixels(presenter.rgba.data(), width, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Queue(UINT message, WPARAM wparam, LPARAM lparam) {
    if (!presenter.input_target) return;
    np::QueueInput(presenter.input_target, message, wparam, lparam);
    presenter.input_queued = true;
}

void AskRestart() {
    if (presenter.restart) return;
    presenter.restart = true;
    PostQuitMessage(0);
    presenter.input_queued = true;
}

void Handle(const PageEvent& e) {
    switch (e.kind) {
        case PageEventKind::PointerMove:
            // The cursor is followed even when no window takes input, so that the
            // saver finds it where it is when its window is made.
            np::SetCursorPosition(e.a, e.b);
            Queue(WM_MOUSEMOVE, 0, MAKELPARAM(e.a, e.b));
            break;
        case PageEventKind::ButtonDown: {
            const UINT message = e.a == 0 ? WM_LBUTTONDOWN : e.a == 1 ? WM_MBUTTONDOWN : e.a == 2 ? WM_RBUTTONDOWN : 0;
            np::SetCursorPosition(e.b, e.c);
            if (message) Queue(message, 0, MAKELPARAM(e.b, e.c));
            break;
        }
        case PageEventKind::KeyDown:
            Queue(e.a ? WM_SYSKEYDOWN : WM_KEYDOWN, 0, 1);  // with Alt held Windows reports a system key
            break;
        case PageEventKind::Resize:
            if (e.a != presenter.size.width || e.b != presenter.size.height || (e.c != 0) != presenter.size.full_screen)
                AskRestart();
            break;
        case PageEventKind::SettingChange:
            presenter.setting_changes.emplace_back(e.a, e.b);
            AskRestart();
            break;
    }
}

void DrainEvents() {
    PageEvent events[kEventsAtOnce];
    for (;;) {
        const int n = TakePageEvents(events, kEventsAtOnce);
        for (int i = 0; i < n; i++) Handle(events[i]);
        if (n < kEventsAtOnce) return;
    }
}

void FollowCursorShape() {
    const bool shown = !presenter.input_target || !np::CursorHidden();
    if (shown == presenter.cursor_shown) return;
    ShowCursor(shown);
    presenter.cursor_shown = shown;
}

// Leaves the program for the page; a frame that comes shows what changed.
void GiveTurn(uint32_t ms, bool want_frame) {
    const bool frame = WaitForPage(ms, want_frame);
    presenter.last_turn = Now();
    if (frame) Present();
}

void Wait(DWORD milliseconds) {
    const uint64_t start = Now();
    const uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : start + milliseconds;
    presenter.input_queued = false;
    for (;;) {
        TakeChanges();
        DrainEvents();
        FollowCursorShape();
        const uint64_t now = Now();
        if (presenter.input_queued || now >= deadline) return;
        const uint32_t slice = (uint32_t)std::min<uint64_t>(deadline - now, kLongestSlice);
        GiveTurn(slice, !IsRectEmpty(&presenter.pending));
    }
}

void Poll() {
    TakeChanges();  // each change counted, also those that no wait comes between
    const uint64_t now = Now();
    if (now - presenter.last_turn >= kLongestBusy) {
        GiveTurn(IsRectEmpty(&presenter.pending) ? 0 : kFrameWait, !IsRectEmpty(&presenter.pending));
    }
    if (now - presenter.last_poll < kPollSpacing) return;
    presenter.last_poll = now;
    DrainEvents();
}

}  // namespace

PageSize OpenCanvasDisplay() {
    PageSize size = PageSizeNow();
    size.width = std::max(1, size.width);
    size.height = std::max(1, size.height);
    np::OpenDisplay(np::DisplayKind::TrueColor, size.width, size.height, 60);
    presenter.size = size;
    presenter.rgba.assign((size_t)size.width * (size_t)size.height, 0xFF000000u);
    presenter.restart = false;
    return size;
}

void PresentDisplay(HWND input_target) {
    presenter.input_target = input_target;
    presenter.pending = {0, 0, np::DisplayWidth(), np::DisplayHeight()};
}

np::InputSource CanvasInput() { return {Wait, Poll}; }

bool TakeRestart() {
    const bool restart = presenter.restart;
    presenter.restart = false;
    return restart;
}

std::vector<std::pair<int32_t, int32_t>> TakeSettingChanges() {
    std::vector<std::pair<int32_t, int32_t>> changes;
    changes.swap(presenter.setting_changes);
    return changes;
}

void WaitForNewSize(uint32_t ms) {
    const uint64_t deadline = Now() + ms;
    presenter.input_target = nullptr;
    while (!presenter.restart && Now() < deadline) {
        DrainEvents();
        if (!presenter.restart) WaitForPage((uint32_t)std::min<uint64_t>(deadline - Now(), kLongestSlice), false);
    }
}
