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
PresenterRecord Presenter;
volatile sig_atomic_t SnapshotAsked = 0;

// Copies what changed into the window, if a frame has passed since the last copy.
void PresentIfDue() {
    TakeDisplayChanges(Presenter.Live);
    RECT& pending = Presenter.Live.Pending;
    const uint64_t now = SDL_GetTicks64();
    if (IsRectEmpty(&pending) || now < Presenter.NextFrame || !Presenter.Staging || Presenter.WindowGone) return;
    Presenter.NextFrame = now + std::max(1, 1000 / Presenter.RefreshHz);
    // A window whose surface cannot be had yet (another program's window, just
    // taken over) keeps what is pending for the next frame: a still picture
    // changes nothing more, and would never be shown.
    SDL_Surface* target = SDL_GetWindowSurface(Presenter.Window);
    if (!target) return;
    RECT r = pending;
    r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, Presenter.Staging->w),
         std::min<LONG>(r.bottom, Presenter.Staging->h)};
    pending = {0, 0, 0, 0};
    if (IsRectEmpty(&r)) return;
    SDL_Rect area = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    // A window surface of the display's own pixel format (a 24- or 32-bit X
    // display) takes the colours straight in; any other gets them through
    // the staging surface and SDL's conversion.
    const bool direct = target->format->format == SDL_PIXELFORMAT_XRGB8888 && r.right <= target->w &&
                        r.bottom <= target->h && !SDL_MUSTLOCK(target);
    SDL_Surface* into = direct ? target : Presenter.Staging;
    auto* base = static_cast<uint8_t*>(into->pixels);
    for (int y = r.top; y < r.bottom; y++)
        np::ScreenRowRgb(y, r.left, r.right, reinterpret_cast<uint32_t*>(base + (size_t)y * into->pitch) + r.left);
    if (!direct) {
        SDL_Rect to = area;
        SDL_BlitSurface(Presenter.Staging, &area, target, &to);
    }
    SDL_UpdateWindowSurfaceRects(Presenter.Window, &area, 1);
}

void WriteSnapshotIfAsked() {
    if (!SnapshotAsked || Presenter.SnapshotPath.empty() || !IsRectEmpty(&Presenter.Live.Pending)) return;
    SnapshotAsked = 0;
    std::string problem;
    if (!WriteDisplaySnapshot(Presenter.SnapshotPath, problem))
        fprintf(stderr, "velmora: cannot write %s: %s\n", Presenter.SnapshotPath.c_str(), problem.c_str());
}

// A stop signal, the other program's window going, or a window that cannot be
// drawn into closes the saver as a closed window would.
bool EndAsked() { return StopSignal() || Presenter.WindowGone || !Presenter.Failure.empty(); }

// An X error: about another program's window that went (its owner removed
// it), or about a window that cannot be drawn into, which ends the program
// with a message of its own.
void JudgeXFailures() {
    XFailure failure;
    if (!TakeXFailure(failure)) return;
    if (Presenter.Foreign) {
        unsigned long id = Presenter.ForeignId;
        int width = 0, height = 0;
        if (QueryForeignWindow(id, width, height) == ForeignWindowState::Gone) {
            Presenter.WindowGone = true;
            return;
        }
        if (AboutSomethingGone(failure)) return;  // the window is there: what went was something else
    }
    if (!Presenter.Failure.empty()) return;
    char what[64];
    snprintf(what, sizeof what, " (request %d)", failure.Request);
    char window[48] = "its window";
    if (Presenter.Foreign) snprintf(window, sizeof window, "X window 0x%lx", Presenter.ForeignId);
    Presenter.Failure = std::string("cannot draw into ") + window + ": the X server refused: " + failure.Text + what;
}


void Handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_SYSWMEVENT:
            if (ForeignWindowGone(e.syswm.msg)) Presenter.WindowGone = true;  // nothing is left to show on
            break;
        case SDL_QUIT:
            AskSaverToClose(Presenter.Live);
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && !Presenter.Resized) {
                int width = e.window.data1, height = e.window.data2;
                BoundToLargestPicture(width, height);
                if (width == Presenter.Width && height == Presenter.Height) break;
                Presenter.Width = width;
                Presenter.Height = height;
                Presenter.Resized = true;
                PostQuitMessage(0);
                Presenter.Live.InputQueued = true;
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED && Presenter.Staging) {
                Presenter.Live.Pending = {0, 0, Presenter.Staging->w, Presenter.Staging->h};
            }
            break;
        case SDL_MOUSEMOTION:
            if (!Presenter.Live.InputTarget) break;
            TakeSystemCursor();  // a window that moves or takes a new size under it does not move the cursor
            QueueLiveInput(Presenter.Live, WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN: {
            const UINT message = e.button.button == SDL_BUTTON_LEFT     ? WM_LBUTTONDOWN
                                 : e.button.button == SDL_BUTTON_RIGHT  ? WM_RBUTTONDOWN
                                 : e.button.button == SDL_BUTTON_MIDDLE ? WM_MBUTTONDOWN
                                                                        : 0;
            if (message) QueueLiveInput(Presenter.Live, message, 0, MAKELPARAM(e.button.x, e.button.y));
            break;
        }
        case SDL_KEYDOWN:
            // With Alt held Windows reports a system key.
            QueueLiveInput(Presenter.Live, (e.key.keysym.mod & KMOD_ALT) ? WM_SYSKEYDOWN : WM_KEYDOWN, 0, 1);
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
    const POINT primary = Presenter.Monitors.empty() ? POINT{0, 0}
                                                     : POINT{Presenter.Monitors[0].left, Presenter.Monitors[0].top};
    np::SetCursorPosition(x - primary.x, y - primary.y);
}

namespace {

void FollowCursorShape() {
    const bool shown = Presenter.Foreign || !np::CursorHidden();
    if (shown == Presenter.CursorShown) return;
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    Presenter.CursorShown = shown;
}

// One look: SDL's events, X's failures, a close when the program must end,
// then what is due shown.
void Look(void*) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Handle(e);
    JudgeXFailures();
    FollowEndRequest(Presenter.Live, EndAsked());
    PresentIfDue();
    WriteSnapshotIfAsked();
    FollowCursorShape();
}

// Until an event or the time; sooner when a frame is due and something waits to be shown.
void Sleep(void*, uint64_t until) {
    const uint64_t now = LiveNow();
    const bool can_show = Presenter.Staging && !Presenter.WindowGone;  // else waiting for a frame is pointless
    if (can_show && !IsRectEmpty(&Presenter.Live.Pending)) {
        const uint64_t frame = now + (Presenter.NextFrame > SDL_GetTicks64() ? Presenter.NextFrame - SDL_GetTicks64() : 0);
        until = std::min(until, frame);
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, (int)(until > now ? until - now : 0))) Handle(e);
}

void AskedForSnapshot(int) { SnapshotAsked = 1; }

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
    Presenter = PresenterRecord{};
    Presenter.Live.Backend = {nullptr, Look, Sleep, nullptr};
    Presenter.Foreign = place == PresenterPlace::ForeignWindow;
    Presenter.ForeignId = Presenter.Foreign ? foreign_window : 0;
    CatchXErrors(Presenter.ForeignId);
    if (Presenter.Foreign) {
        Presenter.Window = SDL_CreateWindowFrom(reinterpret_cast<const void*>((uintptr_t)foreign_window));
        // SDL takes the window's size from a query whose failure it does not
        // check: the size is asked again here, and a window gone meanwhile
        // leaves nothing to do.
        const ForeignWindowState state = QueryForeignWindow(foreign_window, foreign_width, foreign_height);
        if (state == ForeignWindowState::Gone) {
            problem.clear();
            return false;
        }
        if (state != ForeignWindowState::Usable || !Presenter.Window) {
            problem = state != ForeignWindowState::Usable ? ForeignWindowProblem(state, foreign_window)
                                                          : std::string("cannot take the window: ") + SDL_GetError();
            return false;
        }
    } else if (place == PresenterPlace::FullScreen && (Presenter.Monitors = ScreenMonitors()).size() > 1) {
        // Every monitor is covered, as Windows' virtual screen is: one borderless
        // window over all of them, which a window manager may make full screen.
        const RECT all = MonitorsBounds(Presenter.Monitors);
        Presenter.Window = SDL_CreateWindow("Velmora", all.left, all.top, all.right - all.left, all.bottom - all.top,
                                            SDL_WINDOW_BORDERLESS);
        if (Presenter.Window) SpanMonitors(Presenter.Window, Presenter.Monitors);
    } else {
        Presenter.Monitors.clear();
        SDL_DisplayMode desktop;
        const bool full_screen = place == PresenterPlace::FullScreen;
        if (full_screen && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {  // made at its size: no resize follows
            width = desktop.w;
            height = desktop.h;
        }
        Presenter.Window = SDL_CreateWindow("Velmora", full_screen ? 0 : SDL_WINDOWPOS_UNDEFINED,
                                            full_screen ? 0 : SDL_WINDOWPOS_UNDEFINED, width, height,
                                            full_screen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    }
    if (Presenter.Window && Presenter.Foreign) WatchForeignWindow(Presenter.Window);
    if (!Presenter.Window) {
        problem = std::string("cannot open a window: ") + SDL_GetError();
        SDL_Quit();
        return false;
    }
    SDL_StopTextInput();  // keys only end the saver: no input method is asked for text
    if (Presenter.Foreign) {
        Presenter.Width = foreign_width;
        Presenter.Height = foreign_height;
    } else {
        SDL_GetWindowSize(Presenter.Window, &Presenter.Width, &Presenter.Height);
    }
    BoundToLargestPicture(Presenter.Width, Presenter.Height);
    SDL_DisplayMode mode;
    const int screen = SDL_GetWindowDisplayIndex(Presenter.Window);
    if (screen >= 0 && SDL_GetCurrentDisplayMode(screen, &mode) == 0 && mode.refresh_rate > 0)
        Presenter.RefreshHz = mode.refresh_rate;
    struct sigaction action = {};
    action.sa_handler = AskedForSnapshot;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
    return true;
}

void ClosePresenter() {
    if (Presenter.Staging) SDL_FreeSurface(Presenter.Staging);
    // SDL's goodbye to a window that is gone ends in an X error: the window is
    // let go with the process instead.
    const bool gone = Presenter.WindowGone;
    if (Presenter.Window && !Presenter.Foreign) HideOwnWindow(Presenter.Window);
    if (Presenter.Window && !gone) SDL_DestroyWindow(Presenter.Window);
    Presenter = PresenterRecord{};
    // Nor does SDL_Quit come: it gives X's error handling back to Xlib's
    // default and then closes its connections, where an error still on its way
    // about the window just destroyed (a wake-up SDL sent it) would end the
    // process with 1. The process ends next; X closes what is left.
}

std::vector<RECT> PresenterMonitors() {
    const RECT all = MonitorsBounds(Presenter.Monitors);
    // One monitor, or a window that no longer spans them all: the window is the screen.
    if (Presenter.Monitors.size() < 2 || all.right - all.left != Presenter.Width ||
        all.bottom - all.top != Presenter.Height)
        return {RECT{0, 0, Presenter.Width, Presenter.Height}};
    std::vector<RECT> screen;
    const RECT& primary = Presenter.Monitors[0];
    for (const RECT& m : Presenter.Monitors)
        screen.push_back({m.left - primary.left, m.top - primary.top, m.right - primary.left, m.bottom - primary.top});
    return screen;
}

int PresenterRefreshHz() { return Presenter.RefreshHz; }

const std::string& PresenterFailure() { return Presenter.Failure; }

void PresentDisplay(HWND input_target, HWND close_target) {
    if (Presenter.Staging) SDL_FreeSurface(Presenter.Staging);
    Presenter.Staging = SDL_CreateRGBSurfaceWithFormat(0, np::DisplayWidth(), np::DisplayHeight(), 32,
                                                       SDL_PIXELFORMAT_XRGB8888);
    PresentSaver(Presenter.Live, input_target, close_target);
    Presenter.NextFrame = 0;
}

native_platform::InputSource PresenterInput() { return LiveInput(Presenter.Live); }

bool TakeResize() {
    const bool resized = Presenter.Resized && !EndAsked();
    Presenter.Resized = false;
    return resized;
}

void AskSnapshot(const std::string& path) { Presenter.SnapshotPath = path; }
