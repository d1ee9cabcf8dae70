// The module whose resources the process loads (strings, dialogs, icons).
#ifndef VELMORA_MODULE_INSTANCE_H
#define VELMORA_MODULE_INSTANCE_H

#include "platform/win32.h"

// Set once by the entry point; until then the program's own module.
extern HINSTANCE ModuleInstance;

HINSTANCE ResourceModule();

#endif
