// The settings store: reads the user's settings from the settings file; only
// an explicit save (the configuration dialog's, the page's panel) writes them
// back. No state of its own: where the file is and what overrides it are the
// caller's, given with every call.
#ifndef VELMORA_SETTINGS_H
#define VELMORA_SETTINGS_H

#include "settings_location.h"
#include "setting_options.h"
#include "settings_record.h"

#include <cstddef>
#include <string>

constexpr size_t kSettingsPathSize = 260;  // MAX_PATH

// What a load reads: the user's usual file or one named (only read, whatever
// it holds), and settings of a command line or a link over it (for that run
// only, never written).
struct SettingsSource {
    std::string NamedFile;  // empty: the user's file
    SettingOverrides Overrides;
};

// Where the settings live: the names of the string table and the file's path.
struct SettingsPlaceRecord {
    char SettingsSection[40] = "";
    char SettingsFile[13] = "";
    char SettingsPath[kSettingsPathSize] = "";  // empty: no usable file, so the defaults and no writes
    SettingsPlace SettingsFilePlace = SettingsPlace::Found;  // why SettingsPath is empty
    bool Named = false;  // a file named by the source: never written
};

// What a load gives: the settings, and where they came from.
struct LoadedSettings {
    SettingsRecord Settings;
    SettingsPlaceRecord Place;
};

// Names, reads, writes a missing section of the user's file (what it lacks,
// with the values just read), then applies the source's overrides.
LoadedSettings LoadSettings(const SettingsSource& source);
// The section's and file's names from the string table, and the file's path.
SettingsPlaceRecord LoadSettingNames(const SettingsSource& source);
// What the file holds over the built-in values (no overrides).
SettingsRecord ReadSettings(const SettingsPlaceRecord& place);
bool SettingsExist(const SettingsPlaceRecord& place);
bool SaveSettings(const SettingsRecord& settings, const SettingsPlaceRecord& place);  // false: not written whole
bool WriteSettingNumber(const SettingsPlaceRecord& place, const char* key, uint32_t value);
int32_t ColorFromName(const char* name);
const char* NameFromColor(int32_t color);

// False when a named file's path is too long to be one.
bool UsableSettingsPath(const std::string& path);

#endif
