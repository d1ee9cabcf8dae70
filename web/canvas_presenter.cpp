#include "canvas_presenter.h"

#include "live/live_presenter.h"

#include <algorithm>

namespace np = native_platform;

namespace {

constexpr uint32_t kLongestBusy = 5;  // ms of work after which the page has its turn
constexpr uint32_t kFrameWait = 50;  // ms to wait for that frame at most (the tab may be hidden)
constexpr int kEventsAtOnce = 64;
constexpr LONG kRowsBetweenLooks = 64;  // rows of a frame between looks at the clock

struct PresenterRecord {
    LivePresenterRecord Live;
    PageSize Size = {0, 0, false, 0, 0};
    std::vector<uint32_t> Rgba;  // the display as the canvas takes it
    uint64_t LastTurn = 0;       // when the page last had its turn
    bool Restart = false;
    bool CursorShown = true;
    std::vector<std::pair<int32_t, int32_t>> SettingChanges;
    PreviewRequest Preview;
    bool PreviewChanged = false;
    PictureRequest Picture;
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

// The part of r inside area, or an empty rectangle.
RECT Within(const RECT& r, const RECT& area) {
    RECT part = {std::max(r.left, area.left), std::max(r.top, area.top), std::min(r.right, area.right),
                 std::min(r.bottom, area.bottom)};
    return IsRectEmpty(&part) ? RECT{0, 0, 0, 0} : part;
}

void DrainEvents();

// After kLongestBusy ms of work the page has a turn of its own, events taken
// first so that the wait does not return at once. Only the page runs
// meanwhile: the saver waits where it called, and the display stays as it is.
void TurnWhenLong() {
    if (Now() - Presenter.LastTurn < kLongestBusy) return;
    DrainEvents();
    WaitForPage(0, false);
    Presenter.LastTurn = Now();
}

void Present() {
    const int32_t width = np::DisplayWidth(), height = np::DisplayHeight();
    const RECT pending = Presenter.Live.Pending;
    Presenter.Live.Pending = {0, 0, 0, 0};
    const RECT r = Within(pending, {0, 0, width, height});
    if (IsRectEmpty(&r) || Presenter.Rgba.size() != (size_t)width * (size_t)height) return;
    // Straight into the canvas's copy, opaque, a row at a time; a large frame
    // in several pieces, the canvas given the whole of it at the end.
    for (LONG y = r.top; y < r.bottom; y++) {
        if ((y - r.top) % kRowsBetweenLooks == kRowsBetweenLooks - 1) TurnWhenLong();
        np::ScreenRowRgba(y, r.left, r.right, Presenter.Rgba.data() + (size_t)y * (size_t)width + r.left);
    }
    // The screen into the canvas, the area beside it into the panel's preview.
    const RECT screen = Within(r, {0, 0, Presenter.Size.Width, Presenter.Size.Height});
    if (!IsRectEmpty(&screen))
        PutPixels(Presenter.Rgba.data(), width, screen.left, screen.top, screen.right - screen.left,
                  screen.bottom - screen.top);
    const RECT preview = Within(r, PreviewArea());
    if (!IsRectEmpty(&preview))
        PutPreviewPixels(Presenter.Rgba.data(), width, Presenter.Size.Width, preview.left, preview.top,
                         preview.right - preview.left, preview.bottom - preview.top);
}

// Wakes the run of saver windows, which takes what the page asked between two messages.
void WakeRun() {
    PostMessageA(nullptr, WM_NULL, 0, 0);
    Presenter.Live.InputQueued = true;
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
            Presenter.Preview.Edits.clear();  // what is saved now is the preview's start
            AskRestart();
            break;
        case PageEventKind::Preview:
            Presenter.Preview.Shown = e.A != 0;
            if (!Presenter.Preview.Shown) Presenter.Preview.Edits.clear();
            Presenter.PreviewChanged = true;
            WakeRun();
            break;
        case PageEventKind::PreviewSetting:
            Presenter.Preview.Edits.emplace_back(e.A, e.B);
            Presenter.PreviewChanged = true;
            WakeRun();
            break;
        case PageEventKind::SavePicture:
            Presenter.Picture = {true, e.A, e.B};
            WakeRun();
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
    if (!frame) return;
    Present();
    TurnWhenLong();  // a large frame is work of its own: the saver goes on after the page's turn
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
    size.PreviewWidth = std::max(0, size.PreviewWidth);
    size.PreviewHeight = std::max(0, size.PreviewHeight);
    Presenter.Size = size;
    np::OpenMonitors(np::DisplayKind::TrueColor, {RECT{0, 0, size.Width, size.Height}}, 60, PreviewArea());
    Presenter.Live.Backend = {nullptr, Look, Sleep, Busy};
    Presenter.Rgba.assign((size_t)np::DisplayWidth() * (size_t)np::DisplayHeight(), 0xFF000000u);
    Presenter.PreviewChanged = true;  // a new display: the preview starts over on it
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

RECT PreviewArea() {
    const PageSize& s = Presenter.Size;
    if (s.PreviewWidth <= 0 || s.PreviewHeight <= 0) return {0, 0, 0, 0};
    return {s.Width, 0, s.Width + s.PreviewWidth, s.PreviewHeight};
}

bool TakePreviewRequest(PreviewRequest& request) {
    if (!Presenter.PreviewChanged) return false;
    Presenter.PreviewChanged = false;
    request = Presenter.Preview;
    return true;
}

bool TakePictureRequest(PictureRequest& request) {
    if (!Presenter.Picture.Asked) return false;
    request = Presenter.Picture;
    Presenter.Picture = PictureRequest{};
    return true;
}

void WaitForNewSize(uint32_t ms) {
    const uint64_t deadline = Now() + ms;
    Presenter.Live.InputTarget = nullptr;
    while (!Presenter.Restart && Now() < deadline) {
        DrainEvents();
        if (!Presenter.Restart) WaitForPage((uint32_t)std::min<uint64_t>(deadline - Now(), kLongestSlice), false);
    }
}
