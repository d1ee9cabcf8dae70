// Where the settings file lives: a folder per user, or the folder named by the
// environment variable VELMORA_CONFIG_DIR when it is set.
#ifndef VELMORA_SETTINGS_LOCATION_H
#define VELMORA_SETTINGS_LOCATION_H

#include <cstddef>

constexpr char kConfigDirVariable[] = "VELMORA_CONFIG_DIR";
constexpr char kUserFolderName[] = "Velmora";

// The full path of the file named file_name; false when no folder can be found
// or the path would not fit.
bool SettingsFilePath(const char* file_name, char* path, size_t size);

// Creates the folder of the settings file and any missing parents.
void CreateSettingsFolder();

#endif
