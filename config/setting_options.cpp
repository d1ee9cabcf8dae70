#include "setting_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct TakenOption {
    const SettingOption* option;
    int32_t value;
};

std::vector<TakenOption> taken_options;  // in the order given: a later one wins

}  // namespace

const SettingOption kSettingOptions[] = {
    {"--time-on-screen", "SECONDS", 0, 99999, 0, [](SaverSettingsRecord& s, int32_t v) { s.TimeOnScreen = (uint32_t)v; },
     "seconds a still picture stays; 0: the first stays for good"},
    {"--effect-cycle", "SECONDS", 0, 99999, 0, [](SaverSettingsRecord& s, int32_t v) { s.EffectCycle = v; },
     "seconds before the next special effect takes over"},
    {"--moving-clouds", nullptr, 0, 1, 1, [](SaverSettingsRecord& s, int32_t v) { s.MovingClouds = (uint8_t)v; },
     "pictures scroll into one another"},
    {"--no-moving-clouds", nullptr, 0, 1, 0, [](SaverSettingsRecord& s, int32_t v) { s.MovingClouds = (uint8_t)v; },
     nullptr},
    {"--moving-speed", "ROWS", 1, 240, 0, [](SaverSettingsRecord& s, int32_t v) { s.MovingSpeed = v; },
     "rows a moving picture scrolls per frame"},
    {"--transforming-clouds", nullptr, 0, 4, 4,
     [](SaverSettingsRecord& s, int32_t v) { s.TransformingClouds = (uint8_t)v; }, "pictures fade into one another"},
    {"--no-transforming-clouds", nullptr, 0, 4, 0,
     [](SaverSettingsRecord& s, int32_t v) { s.TransformingClouds = (uint8_t)v; }, nullptr},
    {"--transform-steps", "STEPS", 1, 99999, 0, [](SaverSettingsRecord& s, int32_t v) { s.TransformSteps = v; },
     "frames a fade takes"},
    {"--psychedelic-colors", nullptr, 0, 2, 2,
     [](SaverSettingsRecord& s, int32_t v) { s.PsychedelicColors = (uint8_t)v; }, "colours flow through a still picture"},
    {"--no-psychedelic-colors", nullptr, 0, 2, 0,
     [](SaverSettingsRecord& s, int32_t v) { s.PsychedelicColors = (uint8_t)v; }, nullptr},
    {"--cycle-delay", "MS", 0, 999, 0, [](SaverSettingsRecord& s, int32_t v) { s.PsycheDelay = v; },
     "milliseconds between two steps of the flowing colours"},
    {"--continuous-colors", nullptr, 0, 1, 1, [](SaverSettingsRecord& s, int32_t v) { s.ContColorChange = (uint8_t)v; },
     "the flowing colours drift into a new palette"},
    {"--no-continuous-colors", nullptr, 0, 1, 0,
     [](SaverSettingsRecord& s, int32_t v) { s.ContColorChange = (uint8_t)v; }, nullptr},
};

const size_t kSettingOptionCount = sizeof kSettingOptions / sizeof kSettingOptions[0];

SettingOptionResult TakeSettingOption(int argc, char** argv, int& i, std::string& problem) {
    const char* arg = argv[i];
    for (const SettingOption& option : kSettingOptions) {
        if (strcmp(arg, option.name) != 0) continue;
        if (!option.value_name) {
            taken_options.push_back({&option, option.set_value});
            return SettingOptionResult::Taken;
        }
        if (i + 1 >= argc) {
            problem = std::string("missing value after ") + option.name;
            return SettingOptionResult::Bad;
        }
        const char* text = argv[i + 1];
        const size_t digits = strspn(text, "0123456789");
        const long value = digits >= 1 && digits <= 9 && !text[digits] ? strtol(text, nullptr, 10) : -1;
        if (value < option.min || value > option.max) {
            problem = std::string(option.name) + " takes a whole number from " + std::to_string(option.min) + " to " +
                      std::to_string(option.max) + ", not \"" + text + "\"";
            return SettingOptionResult::Bad;
        }
        taken_options.push_back({&option, (int32_t)value});
        i++;
        return SettingOptionResult::Taken;
    }
    return SettingOptionResult::NotASetting;
}

void ApplySettingOptions(SaverSettingsRecord& settings) {
    for (const TakenOption& t : taken_options) t.option->apply(settings, t.value);
}

void ForgetSettingOptions() { taken_options.clear(); }

std::string SettingOptionsHelp() {
    std::string text;
    for (size_t k = 0; k < kSettingOptionCount; k++) {
        const SettingOption& option = kSettingOptions[k];
        if (!option.help) continue;  // a switch's opposite, named with it
        std::string left = std::string("  ") + option.name;
        if (option.value_name) left += std::string(" ") + option.value_name;
        if (k + 1 < kSettingOptionCount && !kSettingOptions[k + 1].help)
            left += std::string(", ") + kSettingOptions[k + 1].name;
        left.resize(std::max<size_t>(left.size() + 2, 48), ' ');
        text += left + option.help + "\n";
    }
    return text;
}
