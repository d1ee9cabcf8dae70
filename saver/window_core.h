// The saver window's procedure: every message that the host passes on.
#ifndef VELMORA_WINDOW_CORE_H
#define VELMORA_WINDOW_CORE_H

#include "platform/win32.h"

VELMORA_EXPORT LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#endif
