// The run of a live saver: one saver window after another, each on a display
// of its own, until one ends for good. What comes before each window and
// after it is the program's (a new display, a page's settings).
#ifndef VELMORA_LIVE_SAVER_WINDOWS_H
#define VELMORA_LIVE_SAVER_WINDOWS_H

#include "platform/win32.h"

struct SaverWindowsHooks {
    void* Context = nullptr;
    // A new display and a saver window on it; null: none could be made (said).
    HWND (*Open)(void* context) = nullptr;
    // The window is up: shown, and taking input where it should.
    void (*Shown)(void* context, HWND window) = nullptr;
    // After its loop ended and the window went: true for another window (a
    // new size, a change of settings), false to end with the loop's code.
    // Windows of the program's own go here, before what is left in the
    // queue is thrown away (a window that waits to be painted would never let
    // the queue empty).
    bool (*Again)(void* context, int exit_code) = nullptr;
    // Before each message: the program opens, closes or starts over the savers
    // it runs beside the window (a preview), out of every handler, and lists
    // those alive, at most `most` (null: none beside).
    int (*Beside)(void* context, HWND* savers, int most) = nullptr;
};

constexpr int kMostSaversBeside = 4;

// The loop's code of the last window; kExitWindowFailed when one could not be made.
int RunSaverWindows(const SaverWindowsHooks& hooks);

#endif
