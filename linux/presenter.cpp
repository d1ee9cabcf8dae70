#include "presenter.h"

#include "foreign_window.h"
#include "options.h"
#include "screen_monitors.h"
#include "snapshot.h"
#include "stop_signals.h"

#include <SDL.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace np = native_platform;

namespace {

constexpr uint32_t kPollSpacing = 5;    // ms between two looks for input while work goes on
constexpr uint32_t kLongestSlice = 100;  // ms one wait lasts at most, so that a snapshot is never late

struct PresenterRecord {
    SDL_Window* window = nullptr;
    SDL_Surface* staging = nullptr;  // the display's colours, XRGB
    bool foreign = false;
    int width = 0, height = 0;
    std::vector<RECT> monitors;  // full screen over several: each in root coordinates, the primary first
    int refresh_hz = 60;
    HWND input_target = nullptr;
    HWND close_target = nullptr;
    RECT pending = {0, 0, 0, 0};  // changed and not yet shown
    uint64_t next_frame = 0;      // SDL ticks
    uint64_t last_poll = 0;
    bool resized = false;
    bool window_gone = false;  // the foreign window was destroyed
    unsigned long foreign_id = 0;
    std::string failure;  // why the window cannot be drawn into; the program ends with it
    bool cursor_shown = true;
    bool input_queued = false;
    HWND stop_asked_of = nullptr;  // the saver window already asked to close for a signal or the window's going
    std::string snapshot_path;
};

PresenterRecord presenter;
volatile sig_atomic_t snapshot_asked = 0;

// Copies what changed into the window, if a frame has passed since the last copy.
void PresentIfDue() {
    const RECT changed = np::TakeChangedArea();
    UnionRect(&presenter.pending, &presenter.pending, &changed);
    const uint64_t now = SDL_GetTicks64();
    if (IsRectEmpty(&presenter.pending) || now < presenter.next_frame || !presenter.staging || presenter.window_gone)
        return;
    presenter.next_frame = now + std::max(1, 1000 / presenter.refresh_hz);
    // A window whose surface cannot be had yet (another program's window, just
    // taken over) keeps what is pending for the next frame: a still picture
    // changes nothing more, and would never be shown.
    SDL_Surface* target = SDL_GetWindowSurface(presenter.window);
    if (!target) return;
    RECT r = presenter.pending;
    r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, presenter.staging->w),
         std::min<LONG>(r.bottom, presenter.staging->h)};
    presenter.pending = {0, 0, 0, 0};
    if (IsRectEmpty(&r)) return;
    auto* base = static_cast<uint8_t*>(presenter.staging->pixels);
    for (int y = r.top; y < r.bottom; y++)
        np::ScreenRowRgb(y, r.left, r.right,
                         reinterpret_cast<uint32_t*>(base + (size_t)y * presenter.staging->pitch) + r.left);
    SDL_Rect area = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    SDL_Rect to = area;
    SDL_BlitSurface(presenter.staging, &area, target, &to);
    SDL_UpdateWindowSurfaceRects(presenter.window, &area, 1);
}

void WriteSnapshotIfAsked() {
    if (!snapshot_asked || presenter.snapshot_path.empty() || !IsRectEmpty(&presenter.pending)) return;
    snapshot_asked = 0;
    std::string problem;
    if (!WriteDisplaySnapshot(presenter.snapshot_path, problem))
        fprintf(stderr, "velmora: cannot write %s: %s\n", presenter.snapshot_path.c_str(), problem.c_str());
}

void Queue(UINT message, WPARAM wparam, LPARAM lparam) {
    if (!presenter.input_target) return;
    np::QueueInput(presenter.input_target, message, wparam, lparam);
    presenter.input_queued = true;
}

void AskToClose() {
    if (presenter.close_target && IsWindow(presenter.close_target))
        PostMessageA(presenter.close_target, WM_CLOSE, 0, 0);
    presenter.input_queued = true;
}

// A stop signal, the other program's window going, or a window that cannot be
// drawn into closes the saver as a closed window would: once per saver window,
// whenever it comes.
bool EndAsked() { return StopSignal() || presenter.window_gone || !presenter.failure.empty(); }

// An X error: about another program's window that went (its owner removed
// it), or about a window that cannot be drawn into, which ends the program
// with a message of its own.
void JudgeXFailures() {
    XFailure failure;
    if (!TakeXFailure(failure)) return;
    if (presenter.foreign) {
        unsigned long id = presenter.foreign_id;
        int width = 0, height = 0;
        if (QueryForeignWindow(id, width, height) == ForeignWindowState::Gone) {
            presenter.window_gone = true;
            return;
        }
        if (AboutSomethingGone(failure)) return;  // the window is there: what went was something else
    }
    if (!presenter.failure.empty()) return;
    char what[64];
    snprintf(what, sizeof what, " (request %d)", failure.request);
    char window[48] = "its window";
    if (presenter.foreign) snprintf(window, sizeof window, "X window 0x%lx", presenter.foreign_id);
    presenter.failure = std::string("cannot draw into ") + window + ": the X server refused: " + failure.text + what;
}

void FollowEndRequest() {
    if (!EndAsked() || !presenter.close_target || presenter.stop_asked_of == presenter.close_target) return;
    presenter.stop_asked_of = presenter.close_target;
    AskToClose();
}

void Handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_SYSWMEVENT:
            if (ForeignWindowGone(e.syswm.msg)) presenter.window_gone = true;  // nothing is left to show on
            break;
        case SDL_QUIT:
            AskToClose();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && !presenter.resized) {
                int width = e.window.data1, height = e.window.data2;
                BoundToLargestPicture(width, height);
                if (width == presenter.width && height == presenter.height) break;
                presenter.width = width;
                presenter.height = height;
                presenter.resized = true;
                PostQuitMessage(0);
                presenter.input_queued = true;
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED && presenter.staging) {
                presenter.pending = {0, 0, presenter.staging->w, presenter.staging->h};
            }
            break;
        case SDL_MOUSEMOTION:
            if (!presenter.input_target) break;
            TakeSystemCursor();  // a window that moves or takes a new size under it does not move the cursor
            Queue(WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN: {
            const UINT message = e.button.button == SDL_BUTTON_LEFT     ? WM_LBUTTONDOWN
                                 : e.button.button == SDL_BUTTON_RIGHT  ? WM_RBUTTONDOWN
                                 : e.button.button == SDL_BUTTON_MIDDLE ? WM_MBUTTONDOWN
                                                                        : 0;
            if (message) Queue(message, 0, MAKELPARAM(e.button.x, e.button.y));
            break;
        }
        case SDL_KEYDOWN:
            // With Alt held Windows reports a system key.
            Queue((e.key.keysym.mod & KMOD_ALT) ? WM_SYSKEYDOWN : WM_KEYDOWN, 0, 1);
            break;
        default:
            break;
    }
}

}  // namespace

void TakeSystemCursor() {
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    // Screen coordinates start at the primary monitor's corner, as on Windows.
    const POINT primary = presenter.monitors.empty() ? POINT{0, 0}
                                                     : POINT{presenter.monitors[0].left, presenter.monitors[0].top};
    np::SetCursorPosition(x - primary.x, y - primary.y);
}

namespace {

void FollowCursorShape() {
    const bool shown = presenter.foreign || !np::CursorHidden();
    if (shown == presenter.cursor_shown) return;
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    presenter.cursor_shown = shown;
}

void DrainEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Handle(e);
    JudgeXFailures();
    FollowEndRequest();
}

void Wait(DWORD milliseconds) {
    const uint64_t start = SDL_GetTicks64();
    const uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : start + milliseconds;
    presenter.input_queued = false;
    for (;;) {
        PresentIfDue();
        WriteSnapshotIfAsked();
        FollowCursorShape();
        const uint64_t now = SDL_GetTicks64();
        if (presenter.input_queued || now >= deadline) return;
        uint64_t until = std::min<uint64_t>(deadline, now + kLongestSlice);
        const bool can_show = presenter.staging && !presenter.window_gone;  // else waiting for a frame is pointless
        if (can_show && !IsRectEmpty(&presenter.pending)) until = std::min(until, std::max(presenter.next_frame, now));
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, (int)(until - now))) Handle(e);
        DrainEvents();
    }
}

void Poll() {
    const uint64_t now = SDL_GetTicks64();
    if (now - presenter.last_poll < kPollSpacing) return;
    presenter.last_poll = now;
    DrainEvents();
    PresentIfDue();
    FollowCursorShape();
}

void AskedForSnapshot(int) { snapshot_asked = 1; }

}  // namespace

bool OpenPresenter(PresenterPlace place, int width, int height, unsigned long foreign_window, std::string& problem) {
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");  // the system's own saver may still come
    // The window's own framebuffer, updated rectangle by rectangle: no GPU
    // texture, which would copy the whole picture every frame.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // the program's own handlers (stop_signals.h) stay
    int foreign_width = 0, foreign_height = 0;
    if (place == PresenterPlace::ForeignWindow) {
        const ForeignWindowState state = QueryForeignWindow(foreign_window, foreign_width, foreign_height);
        if (state != ForeignWindowState::Usable) {
            problem = ForeignWindowProblem(state, foreign_window);
            return false;
        }
    }
    // Without a display SDL would first try its drivers and say so in words of
    // its own: the user hears ours alone, naming the display it tried.
    const char* x_display = getenv("DISPLAY");
    if (!getenv("SDL_VIDEODRIVER") && !x_display && !getenv("WAYLAND_DISPLAY")) {
        problem = "cannot show anything: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); --record makes a "
                  "GIF without one";
        return false;
    }
    if (!getenv("SDL_VIDEODRIVER") && x_display && !getenv("WAYLAND_DISPLAY") && !XDisplayReachable()) {
        problem = std::string("cannot show anything: the X display \"") + x_display +
                  "\" cannot be reached; --record makes a GIF without one";
        return false;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        problem = std::string("cannot start the video: ") + SDL_GetError();
        return false;
    }
    // Without a display SDL falls back to drivers that show nothing; unless the
    // user asked for one, that is no place to show the saver.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!getenv("SDL_VIDEODRIVER") && driver &&
        (strcmp(driver, "dummy") == 0 || strcmp(driver, "offscreen") == 0 || strcmp(driver, "evdev") == 0)) {
        problem = std::string("cannot show anything: no display (SDL found only its \"") + driver +
                  "\" video driver); --record makes a GIF without one";
        SDL_Quit();
        return false;
    }
    presenter = PresenterRecord{};
    presenter.foreign = place == PresenterPlace::ForeignWindow;
    presenter.foreign_id = presenter.foreign ? foreign_window : 0;
    CatchXErrors(presenter.foreign_id);
    if (presenter.foreign) {
        presenter.window = SDL_CreateWindowFrom(reinterpret_cast<const void*>((uintptr_t)foreign_window));
        // SDL takes the window's size from a query whose failure it does not
        // check: the size is asked again here, and a window gone meanwhile
        // leaves nothing to do.
        const ForeignWindowState state = QueryForeignWindow(foreign_window, foreign_width, foreign_height);
        if (state == ForeignWindowState::Gone) {
            problem.clear();
            return false;
        }
        if (state != ForeignWindowState::Usable || !presenter.window) {
            problem = state != ForeignWindowState::Usable ? ForeignWindowProblem(state, foreign_window)
                                                          : std::string("cannot take the window: ") + SDL_GetError();
            return false;
        }
    } else if (place == PresenterPlace::FullScreen && (presenter.monitors = ScreenMonitors()).size() > 1) {
        // Every monitor is covered, as Windows' virtual screen is: one borderless
        // window over all of them, which a window manager may make full screen.
        const RECT all = MonitorsBounds(presenter.monitors);
        presenter.window = SDL_CreateWindow("Velmora", all.left, all.top, all.right - all.left, all.bottom - all.top,
                                            SDL_WINDOW_BORDERLESS);
        if (presenter.window) SpanMonitors(presenter.window, presenter.monitors);
    } else {
        presenter.monitors.clear();
        SDL_DisplayMode desktop;
        const bool full_screen = place == PresenterPlace::FullScreen;
        if (full_screen && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {  // made at its size: no resize follows
            width = desktop.w;
            height = desktop.h;
        }
        presenter.window = SDL_CreateWindow("Velmora", full_screen ? 0 : SDL_WINDOWPOS_UNDEFINED,
                                            full_screen ? 0 : SDL_WINDOWPOS_UNDEFINED, width, height,
                                            full_screen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    }
    if (presenter.window && presenter.foreign) WatchForeignWindow(presenter.window);
    if (!presenter.window) {
        problem = std::string("cannot open a window: ") + SDL_GetError();
        SDL_Quit();
        return false;
    }
    SDL_StopTextInput();  // keys only end the saver: no input method is asked for text
    if (presenter.foreign) {
        presenter.width = foreign_width;
        presenter.height = foreign_height;
    } else {
        SDL_GetWindowSize(presenter.window, &presenter.width, &presenter.height);
    }
    BoundToLargestPicture(presenter.width, presenter.height);
    SDL_DisplayMode mode;
    const int screen = SDL_GetWindowDisplayIndex(presenter.window);
    if (screen >= 0 && SDL_GetCurrentDisplayMode(screen, &mode) == 0 && mode.refresh_rate > 0)
        presenter.refresh_hz = mode.refresh_rate;
    struct sigaction action = {};
    action.sa_handler = AskedForSnapshot;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
    return true;
}

void ClosePresenter() {
    if (presenter.staging) SDL_FreeSurface(presenter.staging);
    // SDL's goodbye to a window that is gone ends in an X error that ends the
    // process: the window is let go with the process instead.
    const bool gone = presenter.window_gone;
    if (presenter.window && !presenter.foreign) HideOwnWindow(presenter.window);
    if (presenter.window && !gone) SDL_DestroyWindow(presenter.window);
    presenter = PresenterRecord{};
    // Nor does SDL_Quit come: it gives X's error handling back to Xlib's
    // default and then closes its connections, where an error still on its way
    // about the window just destroyed (a wake-up SDL sent it) would end the
    // process with 1. The process ends next; X closes what is left.
}

std::vector<RECT> PresenterMonitors() {
    const RECT all = MonitorsBounds(presenter.monitors);
    // One monitor, or a window that no longer spans them all: the window is the screen.
    if (presenter.monitors.size() < 2 || all.right - all.left != presenter.width ||
        all.bottom - all.top != presenter.height)
        return {RECT{0, 0, presenter.width, presenter.height}};
    std::vector<RECT> screen;
    const RECT& primary = presenter.monitors[0];
    for (const RECT& m : presenter.monitors)
        screen.push_back({m.left - primary.left, m.top - primary.top, m.right - primary.left, m.bottom - primary.top});
    return screen;
}

int PresenterRefreshHz() { return presenter.refresh_hz; }

const std::string& PresenterFailure() { return presenter.failure; }

void PresentDisplay(HWND input_target, HWND close_target) {
    presenter.input_target = input_target;
    presenter.close_target = close_target;
    if (presenter.staging) SDL_FreeSurface(presenter.staging);
    presenter.staging = SDL_CreateRGBSurfaceWithFormat(0, np::DisplayWidth(), np::DisplayHeight(), 32,
                                                       SDL_PIXELFORMAT_XRGB8888);
    presenter.pending = {0, 0, np::DisplayWidth(), np::DisplayHeight()};
    presenter.next_frame = 0;
}

native_platform::InputSource PresenterInput() { return {Wait, Poll}; }

bool TakeResize() {
    const bool resized = presenter.resized && !EndAsked();
    presenter.resized = false;
    return resized;
}

void AskSnapshot(const std::string& path) { presenter.snapshot_path = path; }
