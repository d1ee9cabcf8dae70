#include "settings_location.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstring>

namespace {

SettingsPlace SettingsFolder(char* folder, size_t size) {
    DWORD length = GetEnvironmentVariableA(kConfigDirVariable, folder, (DWORD)size);
    if (length > 0) return length < size ? SettingsPlace::Found : SettingsPlace::NamedTooLong;
    char base[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK)
        return SettingsPlace::NoFolder;
    int written = snprintf(folder, size, "%s\\%s", base, kUserFolderName);
    return written > 0 && (size_t)written < size ? SettingsPlace::Found : SettingsPlace::NoFolder;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

SettingsPlace SettingsFilePath(const char* file_name, char* path, size_t size) {
    char folder[MAX_PATH];
    SettingsPlace place = SettingsFolder(folder, sizeof folder);
    if (place != SettingsPlace::Found) return place;
    size_t length = strlen(folder);
    const char* separator = (length > 0 && IsSeparator(folder[length - 1])) ? "" : "\\";
    int written = snprintf(path, size, "%s%s%s", folder, separator, file_name);
    if (written > 0 && (size_t)written < size) return SettingsPlace::Found;
    return GetEnvironmentVariableA(kConfigDirVariable, nullptr, 0) > 0 ? SettingsPlace::NamedTooLong
                                                                       : SettingsPlace::NoFolder;
}

void CreateSettingsFolder() {
    char folder[MAX_PATH];
    if (SettingsFolder(folder, sizeof folder) != SettingsPlace::Found) return;
    // Each prefix that ends before a separator is a folder that must exist.
    for (size_t i = 1; folder[i] != '\0'; i++) {
        if (!IsSeparator(folder[i]) || folder[i - 1] == ':') continue;
        char saved = folder[i];
        folder[i] = '\0';
        CreateDirectoryA(folder, nullptr);
        folder[i] = saved;
    }
    CreateDirectoryA(folder, nullptr);
}
