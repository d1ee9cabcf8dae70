// The host: the module's entry, the modes, the saver window class, ending on
// input after the password check.
#ifndef VELMORA_HOST_H
#define VELMORA_HOST_H

#include "config/settings.h"
#include "platform/win32.h"

LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ScreenSaverHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The configuration dialog, as the module's entry opens it (owner may be
// null); the result is the mode's exit code. The portable saver has none.
typedef int (*ConfigureProc)(HINSTANCE instance, HWND owner);

// Runs the mode that the command line names; the result is the exit code.
// The saver window gets every message the host does not consume through
// saver_procedure (the saver's ScreenSaverProc); its settings are the user's.
int RunSaver(HINSTANCE instance, const char* command_line, WNDPROC saver_procedure, ConfigureProc configure);

// The pieces of the full-screen and preview runs, for callers that run the
// loop themselves. Each window is a saver of its own, with its own record,
// whose settings come from source. A full-screen saver tells the system it
// runs (with a password) until its window goes.
HWND OpenSaverWindow(HINSTANCE instance, HWND parent, WNDPROC saver_procedure,
                     const SettingsSource& source);  // parent null: full screen
HWND StartFullScreen(HINSTANCE instance, WNDPROC saver_procedure, const SettingsSource& source,
                     bool& already_running);

constexpr int kExitWindowFailed = 1;  // the class or the window could not be made

#endif
