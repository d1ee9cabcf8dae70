#include "setting_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

// The field of the settings record an option writes, and how it reads back.
#define VELMORA_OPTION_FIELD(field, type)                      \
    [](SaverSettingsRecord& s, int32_t v) { s.field = (type)v; }, \
        [](const SaverSettingsRecord& s) { return (int32_t)s.field; }


const SettingOption kSettingOptions[] = {
    {"--time-on-screen", "SECONDS", 0, 99999, 0, VELMORA_OPTION_FIELD(TimeOnScreen, uint32_t),
     "seconds a still picture stays; 0: the first stays for good"},
    {"--effect-cycle", "SECONDS", 0, 99999, 0, VELMORA_OPTION_FIELD(EffectCycle, int32_t),
     "seconds before the next special effect takes over"},
    {"--moving-clouds", nullptr, 0, 1, 1, VELMORA_OPTION_FIELD(MovingClouds, uint8_t),
     "pictures scroll into one another"},
    {"--no-moving-clouds", nullptr, 0, 1, 0, VELMORA_OPTION_FIELD(MovingClouds, uint8_t),
     nullptr},
    {"--moving-speed", "ROWS", 1, 240, 0, VELMORA_OPTION_FIELD(MovingSpeed, int32_t),
     "rows a moving picture scrolls per frame"},
    {"--transforming-clouds", nullptr, 0, 4, 4,
     VELMORA_OPTION_FIELD(TransformingClouds, uint8_t), "pictures fade into one another"},
    {"--no-transforming-clouds", nullptr, 0, 4, 0,
     VELMORA_OPTION_FIELD(TransformingClouds, uint8_t), nullptr},
    {"--transform-steps", "STEPS", 1, 99999, 0, VELMORA_OPTION_FIELD(TransformSteps, int32_t),
     "frames a fade takes"},
    {"--psychedelic-colors", nullptr, 0, 2, 2,
     VELMORA_OPTION_FIELD(PsychedelicColors, uint8_t), "colours flow through a still picture"},
    {"--no-psychedelic-colors", nullptr, 0, 2, 0,
     VELMORA_OPTION_FIELD(PsychedelicColors, uint8_t), nullptr},
    {"--cycle-delay", "MS", 0, 999, 0, VELMORA_OPTION_FIELD(PsycheDelay, int32_t),
     "milliseconds between two steps of the flowing colours"},
    {"--continuous-colors", nullptr, 0, 1, 1, VELMORA_OPTION_FIELD(ContColorChange, uint8_t),
     "the flowing colours drift into a new palette"},
    {"--no-continuous-colors", nullptr, 0, 1, 0,
     VELMORA_OPTION_FIELD(ContColorChange, uint8_t), nullptr},
};

const size_t kSettingOptionCount = sizeof kSettingOptions / sizeof kSettingOptions[0];

SettingOptionResult TakeSettingOption(int argc, char** argv, int& i, SettingOverrides& overrides,
                                      std::string& problem) {
    const char* arg = argv[i];
    if (strcmp(arg, kDialogSettingsOption) == 0) {
        overrides.DialogSettings = true;
        return SettingOptionResult::Taken;
    }
    for (const SettingOption& option : kSettingOptions) {
        if (strcmp(arg, option.Name) != 0) continue;
        if (!option.ValueName) {
            overrides.Taken.push_back({&option, option.SetValue});
            return SettingOptionResult::Taken;
        }
        if (i + 1 >= argc) {
            problem = std::string("missing value after ") + option.Name;
            return SettingOptionResult::Bad;
        }
        const char* text = argv[i + 1];
        const size_t digits = strspn(text, "0123456789");
        const long value = digits >= 1 && digits <= 9 && !text[digits] ? strtol(text, nullptr, 10) : -1;
        if (value < option.Min || value > option.Max) {
            problem = std::string(option.Name) + " takes a whole number from " + std::to_string(option.Min) + " to " +
                      std::to_string(option.Max) + ", not \"" + text + "\"";
            return SettingOptionResult::Bad;
        }
        overrides.Taken.push_back({&option, (int32_t)value});
        i++;
        return SettingOptionResult::Taken;
    }
    return SettingOptionResult::NotASetting;
}

void ApplySettingOverrides(const SettingOverrides& overrides, SaverSettingsRecord& settings) {
    if (overrides.DialogSettings)
        for (const SettingOption& option : kSettingOptions) option.Apply(settings, option.Read(kDefaultSettings));
    for (const SettingOverrides::TakenSetting& t : overrides.Taken) t.Option->Apply(settings, t.Value);
}

namespace {

std::string HelpLine(std::string left, const std::string& text) {
    left.resize(std::max<size_t>(left.size() + 2, 48), ' ');
    return left + text + "\n";
}

}  // namespace

std::string SettingOptionsHelp() {
    std::string text;
    for (size_t k = 0; k < kSettingOptionCount; k++) {
        const SettingOption& option = kSettingOptions[k];
        if (!option.Help) continue;  // a switch's opposite, named with it
        std::string left = std::string("  ") + option.Name;
        std::string help = option.Help;
        if (option.ValueName) {
            left += std::string(" ") + option.ValueName;
            help += " (" + std::to_string(option.Min) + " to " + std::to_string(option.Max) + ")";
        }
        if (k + 1 < kSettingOptionCount && !kSettingOptions[k + 1].Help)
            left += std::string(", ") + kSettingOptions[k + 1].Name;
        text += HelpLine(left, help);
    }
    return text + HelpLine(std::string("  ") + kDialogSettingsOption,
                           "each setting above that is not given takes its built-in default, not the settings "
                           "file's (what XScreenSaver's settings dialog writes)");
}
