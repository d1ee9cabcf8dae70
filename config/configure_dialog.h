// The configuration dialog (template 2003) and the host's hook before it opens.
#ifndef VELMORA_CONFIGURE_DIALOG_H
#define VELMORA_CONFIGURE_DIALOG_H

#include "platform/win32.h"

VELMORA_EXPORT INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
BOOL ScreenSaverPrepareDialog(HINSTANCE instance);

#endif
