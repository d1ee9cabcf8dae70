// The one header through which Velmora's code reaches the system.
// Windows builds get the real Win32 API; other builds get our own implementation
// of exactly the Win32 operations Velmora calls, under the same names and types.
#ifndef VELMORA_PLATFORM_WIN32_H
#define VELMORA_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#include <shlobj.h>
// Entry points that the platform looks up in the module by name.
#define VELMORA_EXPORT extern "C" __declspec(dllexport)
#else
#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))
#include "native/types.h"
#include "native/kernel.h"
#include "native/user.h"
#include "native/gdi.h"
#endif

#endif
