#include "foreign_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

// X's error handler is one for the whole process: what it keeps is a fact of the process.
struct XErrorWatch {
    bool Installed = false;
    unsigned long ForeignWindow = 0;  // another program's window we draw in; 0: our own
    bool Kept = false;
    XFailure First;
};
XErrorWatch Watch;

int KeepXError(Display* x, XErrorEvent* error) {
    // Our own window may go while requests about it are still on their way
    // (input methods push events from a thread of their own).
    const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable;
    if (!Watch.ForeignWindow && gone) return 0;
    if (Watch.Kept) return 0;
    char text[160] = "";
    XGetErrorText(x, error->error_code, text, sizeof text);  // local: sends no request
    Watch.Kept = true;
    Watch.First = XFailure{error->error_code, error->request_code, text};
    return 0;
}

// A query's own connection and error handler: a failed query is noted, never fatal.
int FailedQuery = 0;
int NoteFailedQuery(Display*, XErrorEvent* error) {
    FailedQuery = error->error_code;
    return 0;
}

std::string DisplayName() {
    const char* name = getenv("DISPLAY");
    return name && *name ? name : "(DISPLAY is not set)";
}

}  // namespace

bool XDisplayReachable() {
    Display* x = XOpenDisplay(nullptr);
    if (x) XCloseDisplay(x);
    return x != nullptr;
}

ForeignWindowState QueryForeignWindow(unsigned long& id, int& width, int& height) {
    Display* x = XOpenDisplay(nullptr);
    if (!x) return ForeignWindowState::NoDisplay;
    if (!id) id = DefaultRootWindow(x);
    auto previous = XSetErrorHandler(NoteFailedQuery);
    FailedQuery = 0;
    XWindowAttributes attributes;
    const bool answered = XGetWindowAttributes(x, (Window)id, &attributes) != 0;
    XSync(x, False);
    XSetErrorHandler(previous);
    XCloseDisplay(x);
    if (!answered || FailedQuery) return ForeignWindowState::Gone;
    if (attributes.c_class == InputOnly) return ForeignWindowState::NotDrawable;
    width = attributes.width;
    height = attributes.height;
    return ForeignWindowState::Usable;
}

std::string ForeignWindowProblem(ForeignWindowState state, unsigned long id) {
    char window[64];
    snprintf(window, sizeof window, "X window 0x%lx", id);
    switch (state) {
        case ForeignWindowState::Gone:
            return std::string("no ") + window + " on display " + DisplayName();
        case ForeignWindowState::NotDrawable:
            return std::string("cannot draw into ") + window + ": it is an input-only window";
        case ForeignWindowState::NoDisplay:
            return "cannot open the X display " + DisplayName();
        default:
            return "";
    }
}

void CatchXErrors(unsigned long foreign_window) {
    Watch.ForeignWindow = foreign_window;
    Watch.Kept = false;
    if (!Watch.Installed) XSetErrorHandler(KeepXError);
    Watch.Installed = true;
}

bool TakeXFailure(XFailure& failure) {
    if (!Watch.Kept) return false;
    failure = Watch.First;
    Watch.Kept = false;
    return true;
}

bool AboutSomethingGone(const XFailure& failure) {
    return failure.Code == BadWindow || failure.Code == BadDrawable;
}

void WatchForeignWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes)) return;
    // Its new sizes and its going; and its exposures, which SDL turns into
    // window events: whatever the server loses of the window (it keeps no
    // copy) is drawn again, also a still picture that changes no more.
    XSelectInput(info.info.x11.display, info.info.x11.window,
                 attributes.your_event_mask | StructureNotifyMask | ExposureMask);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool ForeignWindowGone(const SDL_SysWMmsg* message) {
    return message && message->subsystem == SDL_SYSWM_X11 && message->msg.x11.event.type == DestroyNotify &&
           message->msg.x11.event.xdestroywindow.window == Watch.ForeignWindow;  // not a window of SDL's own
}

void HideOwnWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XUnmapWindow(info.info.x11.display, info.info.x11.window);
    XSync(info.info.x11.display, False);
}
