// Kernel-side Win32 operations for native builds: profile files, string
// resources, environment, folders and errors.
#ifndef VELMORA_NATIVE_KERNEL_H
#define VELMORA_NATIVE_KERNEL_H

#include "types.h"

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                               DWORD size, LPCSTR file);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);

HMODULE GetModuleHandleA(LPCSTR name);
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes);
DWORD GetLastError();
void SetLastError(DWORD code);

#define CSIDL_APPDATA 0x001a
#define SHGFP_TYPE_CURRENT 0
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);

#endif
