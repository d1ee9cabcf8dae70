// Settings given on a command line (the Linux program's, and so XScreenSaver's
// settings dialog): each replaces one field of the settings read from the
// file, for this run only. Nothing of them is ever written to the file. The
// program keeps what it took and hands it to the settings store (settings.h).
#ifndef VELMORA_SETTING_OPTIONS_H
#define VELMORA_SETTING_OPTIONS_H

#include "settings_record.h"

#include <cstddef>
#include <string>
#include <vector>

struct SettingOption {
    const char* Name;        // "--time-on-screen"
    const char* ValueName;  // "SECONDS"; null for a switch, which gives the field SetValue
    int32_t Min, Max;        // the values accepted, as the configuration dialog accepts them
    int32_t SetValue;
    void (*Apply)(SaverSettingsRecord& settings, int32_t value);
    int32_t (*Read)(const SaverSettingsRecord& settings);  // the field Apply writes
    const char* Help;
};

// XScreenSaver's settings dialog writes a setting only where it differs from
// the dialog's default. With this option on its command line, every setting
// above that is not given takes its built-in default (the dialog's), not the
// settings file's: what the dialog shows is what runs.
inline constexpr char kDialogSettingsOption[] = "--dialog-settings";

extern const SettingOption kSettingOptions[];
extern const size_t kSettingOptionCount;

// The settings of one command line, in the order given: a later one wins.
struct SettingOverrides {
    struct TakenSetting {
        const SettingOption* Option;
        int32_t Value;
    };
    std::vector<TakenSetting> Taken;
    bool DialogSettings = false;  // kDialogSettingsOption was given
};

enum class SettingOptionResult { NotASetting, Taken, Bad };

// Looks at argv[i]: a setting option (with its value, argv[i + 1], which i
// then steps over) goes into overrides. Bad: the problem says why, in words
// for the user.
SettingOptionResult TakeSettingOption(int argc, char** argv, int& i, SettingOverrides& overrides,
                                      std::string& problem);

// What the overrides give, over a record just read.
void ApplySettingOverrides(const SettingOverrides& overrides, SaverSettingsRecord& settings);

// One line an option, for a usage text.
std::string SettingOptionsHelp();

#endif
