// Creating and destroying the saver window's resources (WM_CREATE, WM_DESTROY).
#ifndef VELMORA_CREATE_WINDOW_H
#define VELMORA_CREATE_WINDOW_H

#include "platform/win32.h"

struct SaverRecord;

// False after the failure's message was shown; what was acquired is released.
bool CreateSaverWindow(SaverRecord& saver, const CREATESTRUCTA* create);
void DestroySaverWindow(SaverRecord& saver);

#endif
