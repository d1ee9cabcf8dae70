#include "screen_monitors.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>


std::vector<RECT> ScreenMonitors() {
    std::vector<RECT> monitors;
    Display* x = XOpenDisplay(nullptr);
    if (!x) return monitors;
    int count = 0;
    XineramaScreenInfo* screens = XineramaIsActive(x) ? XineramaQueryScreens(x, &count) : nullptr;
    for (int i = 0; i < count; i++)
        if (screens[i].width > 0 && screens[i].height > 0)
            monitors.push_back({screens[i].x_org, screens[i].y_org, screens[i].x_org + screens[i].width,
                                screens[i].y_org + screens[i].height});
    if (screens) XFree(screens);
    if (monitors.empty()) {
        const int screen = DefaultScreen(x);
        monitors.push_back({0, 0, DisplayWidth(x, screen), DisplayHeight(x, screen)});
    }
    XCloseDisplay(x);
    return monitors;
}

RECT MonitorsBounds(const std::vector<RECT>& monitors) {
    RECT box = {0, 0, 0, 0};
    for (const RECT& m : monitors) UnionRect(&box, &box, &m);
    return box;
}

namespace {

bool WindowManagerSupports(Display* x, Atom wanted) {
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    const Atom supported = XInternAtom(x, "_NET_SUPPORTED", False);
    if (XGetWindowProperty(x, DefaultRootWindow(x), supported, 0, 4096, False, XA_ATOM, &type, &format, &count, &after,
                           &data) != Success ||
        !data)
        return false;
    bool found = false;
    if (format == 32)
        for (unsigned long i = 0; i < count && !found; i++) found = reinterpret_cast<Atom*>(data)[i] == wanted;
    XFree(data);
    return found;
}

void SendToWindowManager(Display* x, Window window, Atom message, const long (&data)[5]) {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = message;
    e.xclient.format = 32;
    for (int i = 0; i < 5; i++) e.xclient.data.l[i] = data[i];
    XSendEvent(x, DefaultRootWindow(x), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

// The index of the monitor whose edge reaches furthest out, by the given rule.
template <typename Further>
long Outermost(const std::vector<RECT>& monitors, Further further) {
    size_t best = 0;
    for (size_t i = 1; i < monitors.size(); i++)
        if (further(monitors[i], monitors[best])) best = i;
    return (long)best;
}

}  // namespace

OutermostMonitors FindOutermostMonitors(const std::vector<RECT>& monitors) {
    return {Outermost(monitors, [](const RECT& a, const RECT& b) { return a.top < b.top; }),
            Outermost(monitors, [](const RECT& a, const RECT& b) { return a.bottom > b.bottom; }),
            Outermost(monitors, [](const RECT& a, const RECT& b) { return a.left < b.left; }),
            Outermost(monitors, [](const RECT& a, const RECT& b) { return a.right > b.right; })};
}

void SpanMonitors(SDL_Window* window, const std::vector<RECT>& monitors) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (monitors.size() < 2 || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* x = info.info.x11.display;
    const Atom span = XInternAtom(x, "_NET_WM_FULLSCREEN_MONITORS", False);
    // A manager that knows full screen but not this would shrink the window to one monitor.
    if (!WindowManagerSupports(x, span)) return;
    const OutermostMonitors edges = FindOutermostMonitors(monitors);
    SendToWindowManager(x, info.info.x11.window, span, {edges.Top, edges.Bottom, edges.Left, edges.Right, 1});
    const long add = 1;  // _NET_WM_STATE_ADD
    SendToWindowManager(x, info.info.x11.window, XInternAtom(x, "_NET_WM_STATE", False),
                        {add, (long)XInternAtom(x, "_NET_WM_STATE_FULLSCREEN", False), 0, 1, 0});
    XFlush(x);
}
