// Dialog 2: asks whether to install, installs, and starts what was chosen.
#ifndef VELMORA_INSTALL_DIALOG_H
#define VELMORA_INSTALL_DIALOG_H

#include "platform/win32.h"

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif
