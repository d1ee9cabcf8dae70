#include "presenter.h"

#include "foreign_window.h"
#include "live/live_presenter.h"
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

struct PresenterRecord {
    LivePresenterRecord Live;
    SDL_Window* Window = nullptr;
    SDL_Surface* Staging = nullptr;  // the display's colours, XRGB
    bool Foreign = false;
    int Width = 0, Height = 0;
    std::vector<RECT> Monitors;  // full screen over several: each in root coordinates, the primary first
    int RefreshHz = 60;
    uint64_t NextFrame = 0;  // SDL ticks
    bool Resized = false;
    bool WindowGone = false;  // the foreign window was destroyed
    unsigned long ForeignId = 0;
    std::string Failure;  // why the window cannot be drawn into; the program ends with it
    bool CursorShown = true;
    std::string SnapshotPath;
};

// The program shows one window: its presenter is a fact of the process.
PresenterRecord presenter;
volatile sig_atomic_t snapshot_asked = 0;

// Copies what changed into the window, if a frame has passed since the last copy.
void PresentIfDue() {
    TakeDisplayChanges(presenter.Live);
    RECT& pending = presenter.Live.Pending;
    const uint64_t now = SDL_GetTicks64();
    if (IsRectEmpty(&pending) || now < presenter.NextFrame || !presenter.Staging || presenter.WindowGone) return;
    presenter.NextFrame = now + std::max(1, 1000 / presenter.RefreshHz);
    // A window whose surface cannot be had yet (another program's window, just
    // taken over) keeps what is pending for the next frame: a still picture
    // changes nothing more, and would never be shown.
    SDL_Surface* target = SDL_GetWindowSurface(presenter.Window);
    if (!target) return;
    RECT r = pending;
    r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, presenter.Staging->w),
         std::min<LONG>(r.bottom, presenter.Staging->h)};
    pending = {0, 0, 0, 0};
    if (IsRectEmpty(&r)) return;
    auto* base = static_cast<uint8_t*>(presenter.Staging->pixels);
    for (int y = r.top; y < r.bottom; y++)
        np::ScreenRowRgb(y, r.left, r.right,
                         reinterpret_cast<uint32_t*>(base + (size_t)y * presenter.Staging->pitch) + r.left);
    SDL_Rect area = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    SDL_Rect to = area;
    SDL_BlitSurface(presenter.Staging, &area, target, &to);
    SDL_UpdateWindowSurfaceRects(presenter.Window, &area, 1);
}

void WriteSnapshotIfAsked() {
    if (!snapshot_asked || presenter.SnapshotPath.empty() || !IsRectEmpty(&presenter.Live.Pending)) return;
    snapshot_asked = 0;
    std::string problem;
    if (!WriteDisplaySnapshot(presenter.SnapshotPath, problem))
        fprintf(stderr, "velmora: cannot write %s: %s\n", presenter.SnapshotPath.c_str(), problem.c_str());
}

// A stop signal, the other program's window going, or a window that cannot be
// drawn into closes the saver as a closed window would.
bool EndAsked() { return StopSignal() || presenter.WindowGone || !presenter.Failure.empty(); }

// An X error: about another program's window that went (its owner removed
// it), or about a window that cannot be drawn into, which ends the program
// with a message of its own.
void JudgeXFailures() {
    XFailure failure;
    if (!TakeXFailure(failure)) return;
    if (presenter.Foreign) {
        unsigned long id = presenter.ForeignId;
        int width = 0, height = 0;
        if (QueryForeignWindow(id, width, height) == ForeignWindowState::Gone) {
            presenter.WindowGone = true;
            return;
        }
        if (AboutSomethingGone(failure)) return;  // the window is there: what went was something else
    }
    if (!presenter.Failure.empty()) return;
    char what[64];
    snprintf(what, sizeof what, " (request %d)", failure.Request);
    char window[48] = "its window";
    if (presenter.Foreign) snprintf(window, sizeof window, "X window 0x%lx", presenter.ForeignId);
    presenter.Failure = std::string("cannot draw into ") + window + ": the X server refused: " + failure.Text + what;
}


void Handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_SYSWMEVENT:
            if (ForeignWindowGone(e.syswm.msg)) presenter.WindowGone = true;  // nothing is left to show on
            break;
        case SDL_QUIT:
            AskSaverToClose(presenter.Live);
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && !presenter.Resized) {
                int width = e.window.data1, height = e.window.data2;
                BoundToLargestPicture(width, height);
                if (width == presenter.Width && height == presenter.Height) break;
                presenter.Width = width;
                presenter.Height = height;
                presenter.Resized = true;
                PostQuitMessage(0);
                presenter.Live.InputQueued = true;
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED && presenter.Staging) {
                presenter.Live.Pending = {0, 0, presenter.Staging->w, presenter.Staging->h};
            }
            break;
        case SDL_MOUSEMOTION:
            if (!presenter.Live.InputTarget) break;
            TakeSystemCursor();  // a window that moves or takes a new size under it does not move the cursor
            QueueLiveInput(presenter.Live, WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN: {
            const UINT message = e.button.button == SDL_BUTTON_LEFT     ? WM_LBUTTONDOWN
                                 : e.button.button == SDL_BUTTON_RIGHT  ? WM_RBUTTONDOWN
                                 : e.button.button == SDL_BUTTON_MIDDLE ? WM_MBUTTONDOWN
                                                                        : 0;
            if (message) QueueLiveInput(presenter.Live, message, 0, MAKELPARAM(e.button.x, e.button.y));
            break;
        }
        case SDL_KEYDOWN:
            // With Alt held Windows reports a system key.
            QueueLiveInput(presenter.Live, (e.key.keysym.mod & KMOD_ALT) ? WM_SYSKEYDOWN : WM_KEYDOWN, 0, 1);
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
    const POINT primary = presenter.Monitors.empty() ? POINT{0, 0}
                                                     : POINT{presenter.Monitors[0].left, presenter.Monitors[0].top};
    np::SetCursorPosition(x - primary.x, y - primary.y);
}

namespace {

void FollowCursorShape() {
    const bool shown = presenter.Foreign || !np::CursorHidden();
    if (shown == presenter.CursorShown) return;
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    presenter.CursorShown = shown;
}

// One look: SDL's events, X's failures, a close when the program must end,
// then what is due shown.
void Look(void*) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Handle(e);
    JudgeXFailures();
    FollowEndRequest(presenter.Live, EndAsked());
    PresentIfDue();
    WriteSnapshotIfAsked();
    FollowCursorShape();
}

// Until an event or the time; sooner when a frame is due and something waits to be shown.
void Sleep(void*, uint64_t until) {
    const uint64_t now = LiveNow();
    const bool can_show = presenter.Staging && !presenter.WindowGone;  // else waiting for a frame is pointless
    if (can_show && !IsRectEmpty(&presenter.Live.Pending)) {
        const uint64_t frame = now + (presenter.NextFrame > SDL_GetTicks64() ? presenter.NextFrame - SDL_GetTicks64() : 0);
        until = std::min(until, frame);
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, (int)(until > now ? until - now : 0))) Handle(e);
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
    presenter.Live.Backend = {nullptr, Look, Sleep, nullptr};
    presenter.Foreign = place == PresenterPlace::ForeignWindow;
    presenter.ForeignId = presenter.Foreign ? foreign_window : 0;
    CatchXErrors(presenter.ForeignId);
    if (presenter.Foreign) {
        presenter.Window = SDL_CreateWindowFrom(reinterpret_cast<const void*>((uintptr_t)foreign_window));
        // SDL takes the window's size from a query whose failure it does not
        // check: the size is asked again here, and a window gone meanwhile
        // leaves nothing to do.
        const ForeignWindowState state = QueryForeignWindow(foreign_window, foreign_width, foreign_height);
        if (state == ForeignWindowState::Gone) {
            problem.clear();
            return false;
        }
        if (state != ForeignWindowState::Usable || !presenter.Window) {
            problem = state != ForeignWindowState::Usable ? ForeignWindowProblem(state, foreign_window)
                                                          : std::string("cannot take the window: ") + SDL_GetError();
            return false;
        }
    } else if (place == PresenterPlace::FullScreen && (presenter.Monitors = ScreenMonitors()).size() > 1) {
        // Every monitor is covered, as Windows' virtual screen is: one borderless
        // window over all of them, which a window manager may make full screen.
        const RECT all = MonitorsBounds(presenter.Monitors);
        presenter.Window = SDL_CreateWindow("Velmora", all.left, all.top, all.right - all.left, all.bottom - all.top,
                                            SDL_WINDOW_BORDERLESS);
        if (presenter.Window) SpanMonitors(presenter.Window, presenter.Monitors);
    } else {
        presenter.Monitors.clear();
        SDL_DisplayMode desktop;
        const bool full_screen = place == PresenterPlace::FullScreen;
        if (full_screen && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {  // made at its size: no resize follows
            width = desktop.w;
            height = desktop.h;
        }
        presenter.Window = SDL_CreateWindow("Velmora", full_screen ? 0 : SDL_WINDOWPOS_UNDEFINED,
                                            full_screen ? 0 : SDL_WINDOWPOS_UNDEFINED, width, height,
                                            full_screen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    }
    if (presenter.Window && presenter.Foreign) WatchForeignWindow(presenter.Window);
    if (!presenter.Window) {
        problem = std::string("cannot open a window: ") + SDL_GetError();
        SDL_Quit();
        return false;
    }
    SDL_StopTextInput();  // keys only end the saver: no input method is asked for text
    if (presenter.Foreign) {
        presenter.Width = foreign_width;
        presenter.Height = foreign_height;
    } else {
        SDL_GetWindowSize(presenter.Window, &presenter.Width, &presenter.Height);
    }
    BoundToLargestPicture(presenter.Width, presenter.Height);
    SDL_DisplayMode mode;
    const int screen = SDL_GetWindowDisplayIndex(presenter.Window);
    if (screen >= 0 && SDL_GetCurrentDisplayMode(screen, &mode) == 0 && mode.refresh_rate > 0)
        presenter.RefreshHz = mode.refresh_rate;
    struct sigaction action = {};
    action.sa_handler = AskedForSnapshot;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
    return true;
}

void ClosePresenter() {
    if (presenter.Staging) SDL_FreeSurface(presenter.Staging);
    // SDL's goodbye to a window that is gone ends in an X error: the window is
    // let go with the process instead.
    const bool gone = presenter.WindowGone;
    if (presenter.Window && !presenter.Foreign) HideOwnWindow(presenter.Window);
    if (presenter.Window && !gone) SDL_DestroyWindow(presenter.Window);
    presenter = PresenterRecord{};
    // Nor does SDL_Quit come: it gives X's error handling back to Xlib's
    // default and then closes its connections, where an error still on its way
    // about the window just destroyed (a wake-up SDL sent it) would end the
    // process with 1. The process ends next; X closes what is left.
}

std::vector<RECT> PresenterMonitors() {
    const RECT all = MonitorsBounds(presenter.Monitors);
    // One monitor, or a window that no longer spans them all: the window is the screen.
    if (presenter.Monitors.size() < 2 || all.right - all.left != presenter.Width ||
        all.bottom - all.top != presenter.Height)
        return {RECT{0, 0, presenter.Width, presenter.Height}};
    std::vector<RECT> screen;
    const RECT& primary = presenter.Monitors[0];
    for (const RECT& m : presenter.Monitors)
        screen.push_back({m.left - primary.left, m.top - primary.top, m.right - primary.left, m.bottom - primary.top});
    return screen;
}

int PresenterRefreshHz() { return presenter.RefreshHz; }

const std::string& PresenterFailure() { return presenter.Failure; }

void PresentDisplay(HWND input_target, HWND close_target) {
    if (presenter.Staging) SDL_FreeSurface(presenter.Staging);
    presenter.Staging = SDL_CreateRGBSurfaceWithFormat(0, np::DisplayWidth(), np::DisplayHeight(), 32,
                                                       SDL_PIXELFORMAT_XRGB8888);
    PresentSaver(presenter.Live, input_target, close_target);
    presenter.NextFrame = 0;
}

native_platform::InputSource PresenterInput() { return LiveInput(presenter.Live); }

bool TakeResize() {
    const bool resized = presenter.Resized && !EndAsked();
    presenter.Resized = false;
    return resized;
}

void AskSnapshot(const std::string& path) { presenter.SnapshotPath = path; }
