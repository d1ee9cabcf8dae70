// The one header through which Velmora's code reaches the system.
// Windows builds get the real Win32 API; other builds get our own implementation
// of exactly the Win32 operations Velmora calls, under the same names and types.
#ifndef VELMORA_PLATFORM_WIN32_H
#define VELMORA_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#include "native/types.h"
#include "native/kernel.h"
#endif

#endif
