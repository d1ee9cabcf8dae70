// Where the settings file lives: a folder per user, or the folder named by the
// environment variable VELMORA_CONFIG_DIR when it is set.
#ifndef VELMORA_SETTINGS_LOCATION_H
#define VELMORA_SETTINGS_LOCATION_H

#include <cstddef>

constexpr char kConfigDirVariable[] = "VELMORA_CONFIG_DIR";
constexpr char kUserFolderName[] = "Velmora";

enum class SettingsPlace {
    Found,
    NoFolder,       // the system names no per-user folder
    NamedTooLong,   // VELMORA_CONFIG_DIR is set but too long for a path: nothing is used in its place
};

// The full path of the file named file_name.
SettingsPlace SettingsFilePath(const char* file_name, char* path, size_t size);

// Creates the folder of the settings file and any missing parents.
void CreateSettingsFolder();

#endif
