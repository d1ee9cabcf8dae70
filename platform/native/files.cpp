// Environment, folders and the thread's last error for native builds.
// Implements: GetLastError, SetLastError, GetEnvironmentVariableA,
// CreateDirectoryA, SHGetFolderPathA (CSIDL_APPDATA: the XDG configuration home).
#include "paths.h"
#include "state.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {
thread_local DWORD LastError = ERROR_SUCCESS;

DWORD CopyOut(const char* text, LPSTR buffer, DWORD size) {
    DWORD length = (DWORD)strlen(text);
    if (!buffer || size <= length) return length + 1;  // Win32: needed size, terminator included
    memcpy(buffer, text, length + 1);
    return length;
}
}  // namespace

std::string NativePath(const char* path) {
    std::string out = path ? path : "";
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

namespace native_platform {
std::string HostPath(const char* path) { return NativePath(path); }
}  // namespace native_platform

DWORD GetLastError() { return LastError; }
void SetLastError(DWORD code) { LastError = code; }

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    const char* value = name ? getenv(name) : nullptr;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return CopyOut(value, buffer, size);
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    if (mkdir(NativePath(path).c_str(), 0755) == 0) return TRUE;
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS
                 : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                   : ERROR_ACCESS_DENIED);
    return FALSE;
}

// The per-user application data folder is the XDG configuration home.
HRESULT SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, LPSTR path) {
    if (folder != CSIDL_APPDATA) native_platform::Unimplemented("SHGetFolderPathA", "a folder other than CSIDL_APPDATA");
    if (!path) return E_FAIL;
    std::string base;
    const char* xdg = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    if (xdg && *xdg == '/')
        base = xdg;
    else if (home && *home)
        base = std::string(home) + "/.config";
    else
        return E_FAIL;
    if (base.size() >= MAX_PATH) return E_FAIL;
    memcpy(path, base.c_str(), base.size() + 1);
    return S_OK;
}
