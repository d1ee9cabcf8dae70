// The settings store: reads the records of settings_record.h from the settings
// file once per process; only the configuration dialog writes them back.
#ifndef VELMORA_SETTINGS_H
#define VELMORA_SETTINGS_H

#include "settings_location.h"
#include "setting_options.h"
#include "settings_record.h"

#include <cstddef>

constexpr size_t kSettingsPathSize = 260;  // MAX_PATH

extern char SettingsSection[40];
extern char SettingsFile[13];
extern char SettingsPath[kSettingsPathSize];  // empty: no usable file, so defaults and no writes
extern SettingsPlace SettingsFilePlace;        // why SettingsPath is empty

void LoadSettings();
void LoadSettingNames();
void ReadSettings();
bool SettingsExist();
bool SaveSettings();  // false when the file could not be written whole
bool WriteSettingNumber(const char* section, const char* key, uint32_t value);
int32_t ColorFromName(const char* name);
const char* NameFromColor(int32_t color);

// Reads this file instead of the user's, from now on and at every load (the
// tools' and the Linux program's --settings); LoadSettings never writes it.
// Null or empty: the user's file again. False when the path is too long.
bool UseSettingsFile(const char* path);

// From now on every load applies these over what it read (a command line's
// settings, for this run only; never written).
void UseSettingOverrides(const SettingOverrides& overrides);

// The store as a new process has it: the user's file, no overrides.
void ReturnStoreToStart();

#endif
