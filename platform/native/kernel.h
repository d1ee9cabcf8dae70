// Kernel-side Win32 operations for native builds: profile files, string
// resources, environment, folders, errors, memory blocks, events, time,
// version, run-time libraries and the registry.
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

// Memory, events, time, version, libraries, registry.
#define LMEM_MOVEABLE 0x0002
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define VER_PLATFORM_WIN32_NT 2
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define WAIT_FAILED 0xFFFFFFFF
#define REG_DWORD 4
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001)
#define KEY_QUERY_VALUE 0x0001

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
LPVOID LocalLock(HLOCAL block);
BOOL LocalUnlock(HLOCAL block);
HLOCAL LocalFree(HLOCAL block);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial, LPCSTR name);
BOOL SetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// The multimedia timer's clock and the system timer's resolution (winmm).
typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97
DWORD timeGetTime();
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
void GetSystemTime(SYSTEMTIME* time);
void GetSystemTimeAsFileTime(FILETIME* time);
BOOL GetVersionExA(OSVERSIONINFOA* version);

// Threads of the C runtime: a new thread runs start (argument); -1 when it cannot be started.
uintptr_t _beginthread(void (*start)(void*), unsigned stack_size, void* argument);

HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access, HKEY* result);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LSTATUS RegCloseKey(HKEY key);

#endif
