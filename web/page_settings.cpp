#include "page_settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool IsSwitch(const SettingOption& option) { return option.ValueName == nullptr; }
// A switch's "--no-" partner carries no help of its own: the panel shows the pair once.
bool IsShown(const SettingOption& option) { return option.Help != nullptr; }

const SettingOption* FindOption(const std::string& name) {
    for (size_t i = 0; i < kSettingOptionCount; i++)
        if (name == kSettingOptions[i].Name) return &kSettingOptions[i];
    return nullptr;
}

const SettingOption* OffPartner(const SettingOption& on) {
    return FindOption(std::string("--no-") + (on.Name + 2));
}

// The address names a setting without the command line's dashes.
std::string Bare(const std::string& text) { return text.rfind("--", 0) == 0 ? text.substr(2) : text; }

bool ParseWhole(const char* text, unsigned long long max, uint32_t& value) {
    if (!text || !*text || strspn(text, "0123456789") != strlen(text) || strlen(text) > 10) return false;
    errno = 0;
    const unsigned long long n = strtoull(text, nullptr, 10);
    if (errno != 0 || n > max) return false;
    value = (uint32_t)n;
    return true;
}

// Text inside a JSON string: the help texts are ours, but quote what needs it.
std::string JsonText(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; p++) {
        if (*p == '"' || *p == '\\') out += '\\';
        if ((unsigned char)*p >= 0x20) out += *p;
    }
    return out + "\"";
}

}  // namespace

std::string CutForNotice(const std::string& text) {
    constexpr size_t kLongest = 80;
    if (text.size() <= kLongest) return text;
    size_t end = kLongest;
    while (end > 0 && ((unsigned char)text[end] & 0xC0) == 0x80) end--;  // not inside a UTF-8 character
    return text.substr(0, end) + "\u2026";
}

PageLink ParseLink(int argc, char** argv, std::vector<std::string>& problems) {
    PageLink link;
    bool seed_given = false;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        // A notice repeats what the address says: never more than a line of it.
        const std::string cut_value = CutForNotice(i + 1 < argc ? argv[i + 1] : "");
        const char* value = cut_value.c_str();
        uint32_t n = 0;
        if (name == "--time") {
            if (ParseWhole(value, 0xFFFFFFFFull, n)) {
                link.Time = n;
                link.HasTime = true;
            } else {
                problems.push_back("time takes seconds since 1970, not \"" + std::string(value) + "\"");
            }
            continue;
        }
        if (name == "--ms") {
            if (ParseWhole(value, 999, n)) {
                link.Ms = n;
                seed_given = true;
            } else {
                problems.push_back("ms takes a millisecond from 0 to 999, not \"" + std::string(value) + "\"");
            }
            continue;
        }
        if (name == "--still") {
            if (strcmp(value, "0") == 0 || strcmp(value, "1") == 0)
                link.Still = value[0] == '1';
            else
                problems.push_back("still takes 0 or 1, not \"" + std::string(value) + "\"");
            continue;
        }
        const SettingOption* option = FindOption(name);
        if (!option || !IsShown(*option)) {
            problems.push_back("not a setting: " + CutForNotice(Bare(name)));
            continue;
        }
        if (IsSwitch(*option)) {
            const SettingOption* chosen = strcmp(value, "1") == 0 ? option
                                          : strcmp(value, "0") == 0 ? OffPartner(*option)
                                                                    : nullptr;
            if (chosen)
                link.Settings.Taken.push_back({chosen, chosen->SetValue});
            else
                problems.push_back(std::string(option->Name + 2) + " takes 0 or 1, not \"" + value + "\"");
            continue;
        }
        // A setting with a value is read as on a command line, with the same checks.
        char* pair[] = {argv[0], argv[i], const_cast<char*>(value)};
        int at = 1;
        std::string problem;
        if (TakeSettingOption(3, pair, at, link.Settings, problem) != SettingOptionResult::Taken)
            problems.push_back(Bare(problem));
    }
    if (seed_given && !link.HasTime) problems.push_back("ms needs the time it belongs to");
    return link;
}

void MakeStill(SettingOverrides& overrides) {
    // Later settings win: these go last.
    for (const char* name : {"--no-psychedelic-colors", "--no-moving-clouds", "--no-transforming-clouds"}) {
        const SettingOption* option = FindOption(name);
        if (option) overrides.Taken.push_back({option, option->SetValue});
    }
}

std::string LinkQuery(uint64_t calendar_ms, const SaverSettingsRecord& settings) {
    std::string query = "time=" + std::to_string(calendar_ms / 1000) + "&ms=" + std::to_string(calendar_ms % 1000);
    for (size_t i = 0; i < kSettingOptionCount; i++) {
        const SettingOption& option = kSettingOptions[i];
        if (!IsShown(option)) continue;
        const int32_t value = option.Read(settings);
        query += "&" + std::string(option.Name + 2) + "=" + std::to_string(IsSwitch(option) ? (value != 0) : value);
    }
    return query;
}

std::string DescribeSettings(const SaverSettingsRecord& settings) {
    std::string json = "[";
    for (size_t i = 0; i < kSettingOptionCount; i++) {
        const SettingOption& option = kSettingOptions[i];
        if (!IsShown(option)) continue;
        const bool on_off = IsSwitch(option);
        const int32_t value = option.Read(settings);
        if (json.size() > 1) json += ",";
        json += "{\"index\":" + std::to_string(i) + ",\"name\":" + JsonText(option.Name + 2) +
                ",\"switch\":" + (on_off ? "true" : "false") + ",\"min\":" + std::to_string(on_off ? 0 : option.Min) +
                ",\"max\":" + std::to_string(on_off ? 1 : option.Max) +
                ",\"value\":" + std::to_string(on_off ? (value != 0) : value) + ",\"help\":" + JsonText(option.Help) +
                ",\"unit\":" + JsonText(on_off ? "" : option.ValueName) + "}";
    }
    return json + "]";
}

void KeepStoredSettingsInRange(const SaverSettingsRecord& stored, SettingOverrides& overrides,
                               std::vector<std::string>& problems) {
    std::vector<SettingOverrides::TakenSetting> built_in;
    for (size_t i = 0; i < kSettingOptionCount; i++) {
        const SettingOption& option = kSettingOptions[i];
        if (!IsShown(option) || IsSwitch(option)) continue;
        const uint32_t value = (uint32_t)option.Read(stored);  // as the file holds it
        if (value >= (uint32_t)option.Min && value <= (uint32_t)option.Max) continue;
        const int32_t fallback = option.Read(kDefaultSettings);
        built_in.push_back({&option, fallback});
        problems.push_back("the stored " + std::string(option.Name + 2) + " " + std::to_string(value) +
                           " is not one the page takes (" + std::to_string(option.Min) + " to " +
                           std::to_string(option.Max) + "): the built-in " + std::to_string(fallback) +
                           " is used instead");
    }
    overrides.Taken.insert(overrides.Taken.begin(), built_in.begin(), built_in.end());
}

bool TakePageSetting(int32_t index, int32_t value, SettingOverrides& overrides) {
    if (index < 0 || (size_t)index >= kSettingOptionCount) return false;
    const SettingOption& option = kSettingOptions[index];
    if (!IsShown(option)) return false;
    if (IsSwitch(option)) {
        const SettingOption* chosen = value == 1 ? &option : value == 0 ? OffPartner(option) : nullptr;
        if (!chosen) return false;
        overrides.Taken.push_back({chosen, chosen->SetValue});
        return true;
    }
    if (value < option.Min || value > option.Max) return false;
    overrides.Taken.push_back({&option, value});
    return true;
}

bool ApplyPageSetting(int32_t index, int32_t value, SaverSettingsRecord& settings) {
    SettingOverrides change;
    if (!TakePageSetting(index, value, change)) return false;
    change.Taken.back().Option->Apply(settings, change.Taken.back().Value);
    return true;
}
