// The monitors of the X screen, for a full screen that covers every one of
// them, as Windows' virtual screen does.
#ifndef VELMORA_LINUX_SCREEN_MONITORS_H
#define VELMORA_LINUX_SCREEN_MONITORS_H

#include "platform/win32.h"

#include <vector>

struct SDL_Window;

// Each monitor in root-window coordinates, the primary first (Xinerama lists
// it first); one covering the whole root window when Xinerama is off. Empty
// when X cannot be asked.
std::vector<RECT> ScreenMonitors();

// The smallest rectangle holding them all.
RECT MonitorsBounds(const std::vector<RECT>& monitors);

// The monitors whose edges reach furthest up, down, left and right: what a
// window manager is told a window spanning them all covers (by index).
struct OutermostMonitors {
    long Top, Bottom, Left, Right;
};
OutermostMonitors FindOutermostMonitors(const std::vector<RECT>& monitors);

// A window manager that can make a window full screen over several monitors
// (EWMH's _NET_WM_FULLSCREEN_MONITORS) is asked to do so for this window;
// without one the window stays where it was made, over them all.
void SpanMonitors(SDL_Window* window, const std::vector<RECT>& monitors);

#endif
