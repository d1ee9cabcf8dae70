#include "canvas_presenter.h"

#include "live/live_presenter.h"

#include <algorithm>

namespace np = native_platform;

namespace {

constexpr uint32_t kLongestBusy = 50;  // ms of work after which the page has its turn
constexpr uint32_t kFrameWait = 50;  // ms to wait for that frame at most (the tab may be hidden)
constexpr int kEventsAtOnce = 64;
constexpr LONG kPiecePixels = 127;  // under 512 bytes: copied inside the wasm, not by a call out to the page

struct PresenterRecord {
    LivePresenterRecord Live;
    PageSize Size = {0, 0, false};
    std::vector<uint32_t> Rgba;  // the display as the canvas takes it
    uint64_t LastTurn = 0;       // when the page last had its turn
    bool Restart = false;
    bool CursorShown = true;
    std::vector<std::pair<int32_t, int32_t>> SettingChanges;
};

// The page shows one canvas: its presenter is a fact of the program.
PresenterRecord Presenter;

uint64_t Now() { return LiveNow(); }

void TakeChanges() {
    const RECT changed = np::TakeChangedArea();
    if (IsRectEmpty(&changed)) return;
    NoteDisplayChange();
    UnionRect(&Presenter.Live.Pending, &Presenter.Live.Pending, &changed);
}

void Present() {
    const int32_t width = np::DisplayWidth(), height = np::DisplayHeight();
    RECT r = Presenter.Live.Pending;
    Presenter.Live.Pending = {0, 0, 0, 0};
    r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, width),
         std::min<LONG>(r.bottom, height)};
    if (IsRectEmpty(&r) || Presenter.Rgba.size() != (size_t)width * (size_t)height) return;
    // A COLORREF is 0x00BBGGRR: in memory red, green, blue, then the opaque
    // alpha the canvas wants. Pieces small enough to stay in the cache take
    // the colours, and one pass adds the alpha on the way to the canvas's copy.
    COLORREF piece[kPiecePixels];
    for (LONG y = r.top; y < r.bottom; y++) {
        uint32_t* row = Presenter.Rgba.data() + (size_t)y * (size_t)width;
        for (LONG x = r.left; x < r.right; x += kPiecePixels) {
            const LONG n = std::min<LONG>(kPiecePixels, r.right - x);
            np::ScreenRowColors(y, x, x + n, piece);
            for (LONG i = 0; i < n; i++) row[x + i] = piece[i] | 0xFF000000u;
        }
    }
    PutPixels(Presenter.Rgba.data(), width, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Queue(UINT message, WPARAM wparam, LPARAM lparam) { QueueLiveInput(Presenter.Live, message, wparam, lparam); }

void AskRestart() {
    if (Presenter.Restart) return;
    Presenter.Restart = true;
    PostQuitMessage(0);
    Presenter.Live.InputQueued = true;
}

void Handle(const PageEvent& e) {
    switch (e.Kind) {
        case PageEventKind::PointerMove:
            // The cursor is followed even when no window takes input, so that the
            // saver finds it where it is when its window is made.
            np::SetCursorPosition(e.A, e.B);
            Queue(WM_MOUSEMOVE, 0, MAKELPARAM(e.A, e.B));
            break;
        case PageEventKind::ButtonDown: {
            const UINT message = e.A == 0 ? WM_LBUTTONDOWN : e.A == 1 ? WM_MBUTTONDOWN : e.A == 2 ? WM_RBUTTONDOWN : 0;
            np::SetCursorPosition(e.B, e.C);
            if (message) Queue(message, 0, MAKELPARAM(e.B, e.C));
            break;
        }
        case PageEventKind::KeyDown:
            Queue(e.A ? WM_SYSKEYDOWN : WM_KEYDOWN, 0, 1);  // with Alt held Windows reports a system key
            break;
        case PageEventKind::Resize:
            if (e.A != Presenter.Size.Width || e.B != Presenter.Size.Height || (e.C != 0) != Presenter.Size.FullScreen)
                AskRestart();
            break;
        case PageEventKind::SettingChange:
            Presenter.SettingChanges.emplace_back(e.A, e.B);
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
    const bool shown = !Presenter.Live.InputTarget || !np::CursorHidden();
    if (shown == Presenter.CursorShown) return;
    ShowCursor(shown);
    Presenter.CursorShown = shown;
}

// Leaves the program for the page; a frame that comes shows what changed.
void GiveTurn(uint32_t ms, bool want_frame) {
    const bool frame = WaitForPage(ms, want_frame);
    Presenter.LastTurn = Now();
    if (frame) Present();
}

void Look(void*) {
    TakeChanges();
    DrainEvents();
    FollowCursorShape();
}

void Sleep(void*, uint64_t until) {
    const uint64_t now = Now();
    GiveTurn((uint32_t)(until > now ? until - now : 0), !IsRectEmpty(&Presenter.Live.Pending));
}

// A saver that is behind (its next step due before it waits) or at long work
// calls no wait at all; the page still gets its turn after kLongestBusy ms,
// and is shown on the next animation frame when something changed.
void Busy(void*, uint64_t now) {
    TakeChanges();  // each change counted, also those that no wait comes between
    if (now - Presenter.LastTurn < kLongestBusy) return;
    const bool pending = !IsRectEmpty(&Presenter.Live.Pending);
    GiveTurn(pending ? kFrameWait : 0, pending);
}

}  // namespace

PageSize OpenCanvasDisplay() {
    PageSize size = PageSizeNow();
    size.Width = std::max(1, size.Width);
    size.Height = std::max(1, size.Height);
    np::OpenDisplay(np::DisplayKind::TrueColor, size.Width, size.Height, 60);
    Presenter.Live.Backend = {nullptr, Look, Sleep, Busy};
    Presenter.Size = size;
    Presenter.Rgba.assign((size_t)size.Width * (size_t)size.Height, 0xFF000000u);
    Presenter.Restart = false;
    return size;
}

void PresentDisplay(HWND input_target, HWND close_target) { PresentSaver(Presenter.Live, input_target, close_target); }

np::InputSource CanvasInput() { return LiveInput(Presenter.Live); }

bool TakeRestart() {
    const bool restart = Presenter.Restart;
    Presenter.Restart = false;
    return restart;
}

std::vector<std::pair<int32_t, int32_t>> TakeSettingChanges() {
    std::vector<std::pair<int32_t, int32_t>> changes;
    changes.swap(Presenter.SettingChanges);
    return changes;
}

void WaitForNewSize(uint32_t ms) {
    const uint64_t deadline = Now() + ms;
    Presenter.Live.InputTarget = nullptr;
    while (!Presenter.Restart && Now() < deadline) {
        DrainEvents();
        if (!Presenter.Restart) WaitForPage((uint32_t)std::min<uint64_t>(deadline - Now(), kLongestSlice), false);
    }
}
