#include "foreign_window.h"

#include <X11/Xlib.h>

#include <cstdio>

namespace {

int error_seen = 0;

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
