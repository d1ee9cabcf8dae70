// The host: the module's entry, the modes, the saver window class, ending on
// input after the password check.
#ifndef VELMORA_HOST_H
#define VELMORA_HOST_H

#include "platform/win32.h"

LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ScreenSaverHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Runs the mode that the command line names; the result is the exit code.
// The saver window gets every message the host does not consume through
// saver_procedure (the saver's ScreenSaverProc).
int RunSaver(HINSTANCE instance, const char* command_line, WNDPROC saver_procedure);

// The pieces of the full-screen and preview runs, for callers that run the loop themselves.
HWND OpenSaverWindow(HINSTANCE instance, HWND parent, WNDPROC saver_procedure);  // parent null: full screen
HWND StartFullScreen(HINSTANCE instance, WNDPROC saver_procedure, bool& already_running);
void EndFullScreen();

constexpr int kExitWindowFailed = 1;  // the class or the window could not be made

#endif
