#include "foreign_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>

namespace {

int error_seen = 0;
unsigned long watched_window = 0;  // another program's window we draw in
XErrorHandler handler_before_watch = nullptr;

// A window may go while requests about it are on their way: another
// program's window at any moment, even while SDL still follows its last new
// size, and our own while it is destroyed, when SDL's other connection may
// still wake it (input methods push events from a thread of their own). Errors
// about a window or drawable that is gone are expected then, and they do not
// always name the window; any other error goes where it went.
int IgnoreErrorsOfGoneWindows(Display* x, XErrorEvent* error) {
    if ((watched_window && error->resourceid == watched_window) || error->error_code == BadWindow ||
        error->error_code == BadDrawable)
        return 0;
    return handler_before_watch ? handler_before_watch(x, error) : 0;
}

int NoteXError(Display*, XErrorEvent* error) {
    error_seen = error->error_code;
    return 0;
}

}  // namespace

bool ResolveForeignWindow(unsigned long& id, std::string& problem) {
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        problem = "cannot open the X display";
        return false;
    }
    if (!id) id = DefaultRootWindow(x);
    auto previous = XSetErrorHandler(NoteXError);
    error_seen = 0;
    XWindowAttributes attributes;
    bool exists = XGetWindowAttributes(x, (Window)id, &attributes) != 0;
    XSync(x, False);
    exists = exists && !error_seen;
    XSetErrorHandler(previous);
    XCloseDisplay(x);
    if (!exists) {
        char text[64];
        snprintf(text, sizeof text, "no X window 0x%lx", id);
        problem = text;
    }
    return exists;
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

void ExpectWindowsToGo(unsigned long foreign_window) {
    watched_window = foreign_window;
    if (!handler_before_watch) handler_before_watch = XSetErrorHandler(IgnoreErrorsOfGoneWindows);
}

bool ForeignWindowExists(unsigned long id) {
    std::string problem;
    return ResolveForeignWindow(id, problem);
}

bool ForeignWindowGone(const SDL_SysWMmsg* message) {
    return message && message->subsystem == SDL_SYSWM_X11 && message->msg.x11.event.type == DestroyNotify &&
           message->msg.x11.event.xdestroywindow.window == watched_window;  // not a window of SDL's own
}

void HideOwnWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XUnmapWindow(info.info.x11.display, info.info.x11.window);
    XSync(info.info.x11.display, False);
}
