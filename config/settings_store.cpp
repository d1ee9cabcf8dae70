// Reading and writing the settings section. The order of writing is part of
// the file format that users and earlier versions see, so it stays as it is.
#include "settings.h"
#include "setting_options.h"

#include "module_instance.h"
#include "resource_ids.h"
#include "settings_location.h"

#include "platform/win32.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kPaletteTextSize = 500;
constexpr int kNameSize = 20;  // a longer name is no colour name

// Without a usable file every key reads as its default and nothing is written.
uint32_t ReadNumber(const SettingsPlaceRecord& place, const char* key, uint32_t fallback) {
    if (!place.SettingsPath[0]) return fallback;
    return GetPrivateProfileIntA(place.SettingsSection, key, (INT)fallback, place.SettingsPath);
}

// Whether the section lacks the key altogether (an empty value is the user's own).
bool KeyMissing(const SettingsPlaceRecord& place, const char* key) {
    static const char kAbsent[] = "\x7f";  // a value no writer of this file produces
    char text[4];
    GetPrivateProfileStringA(place.SettingsSection, key, kAbsent, text, sizeof text, place.SettingsPath);
    return strcmp(text, kAbsent) == 0;
}

// "Palette1" ... "Palette7".
struct PaletteKey {
    char Text[16];
    explicit PaletteKey(int n) { snprintf(Text, sizeof Text, "%s%d", "Palette", n); }
};

void ReadPalette(const SettingsPlaceRecord& place, const PaletteKey& key, PaletteDefinition& palette) {
    char text[kPaletteTextSize] = "";
    if (place.SettingsPath[0])
        GetPrivateProfileStringA(place.SettingsSection, key.Text, "", text, sizeof text, place.SettingsPath);

    int32_t colors[kKeyColorSlots];
    int found = 0;
    const char* p = text;
    while (found < kKeyColorSlots) {
        while (*p && isspace((unsigned char)*p)) p++;
        if (!*p) break;
        const char* start = p;
        while (*p && !isspace((unsigned char)*p)) p++;
        size_t length = (size_t)(p - start);
        if (length >= kNameSize) {
            colors[found++] = kNoColor;
            continue;
        }
        char name[kNameSize];
        memcpy(name, start, length);
        name[length] = '\0';
        colors[found++] = ColorFromName(name);
    }
    if (found == 0) return;  // missing or blank: the palette keeps what it holds
    for (int i = 0; i < kKeyColorSlots; i++) palette.colors[i] = i < found ? colors[i] : kNoColor;
    palette.count = found;
}

bool WritePalette(const SettingsPlaceRecord& place, const PaletteKey& key, const PaletteDefinition& palette) {
    const int32_t* c = palette.colors;
    char text[kKeyColorSlots * 8 + 8];
    snprintf(text, sizeof text, "%s %s %s %s %s %s %s %s", NameFromColor(c[0]), NameFromColor(c[1]),
             NameFromColor(c[2]), NameFromColor(c[3]), NameFromColor(c[4]), NameFromColor(c[5]),
             NameFromColor(c[6]), NameFromColor(c[7]));
    return WritePrivateProfileStringA(place.SettingsSection, key.Text, text, place.SettingsPath) != FALSE;
}

// Every key in the order of the format; with only_missing, the keys that the
// section lacks, so that no line the user wrote is ever rewritten. False when
// any write failed.
bool WriteSettings(const SettingsRecord& settings, const SettingsPlaceRecord& place, bool only_missing) {
    if (!place.SettingsPath[0]) return false;
    CreateSettingsFolder();
    bool written = true;
    for (const SettingKey& k : kSettingKeys)
        if (!only_missing || KeyMissing(place, k.Key))
            written = WriteSettingNumber(place, k.Key, k.Stored(settings.SaverSettings)) && written;
    for (int n = 1; n <= kStoredPalettes; n++) {
        const PaletteKey key(n);
        if (!only_missing || KeyMissing(place, key.Text))
            written = WritePalette(place, key, settings.PaletteTable[n - 1]) && written;
    }
    return written;
}

}  // namespace

bool UsableSettingsPath(const std::string& path) { return path.size() < kSettingsPathSize; }

// A section without a readable "TimeOnScreen" counts as missing; what it lacks
// is added with the values just read (the defaults on a fresh system). A file
// named by the source is only read: it may be anything the user chose.
LoadedSettings LoadSettings(const SettingsSource& source) {
    LoadedSettings loaded;
    loaded.Place = LoadSettingNames(source);
    loaded.Settings = ReadSettings(loaded.Place);
    if (!loaded.Place.Named && !SettingsExist(loaded.Place)) WriteSettings(loaded.Settings, loaded.Place, true);
    ApplySettingOverrides(source.Overrides, loaded.Settings.SaverSettings);  // for this run only: never written
    return loaded;
}

SettingsPlaceRecord LoadSettingNames(const SettingsSource& source) {
    SettingsPlaceRecord place;
    LoadStringA(ResourceModule(), IDS_SETTINGS_SECTION, place.SettingsSection, sizeof place.SettingsSection);
    LoadStringA(ResourceModule(), IDS_SETTINGS_FILE, place.SettingsFile, sizeof place.SettingsFile);
    if (!source.NamedFile.empty()) {
        place.Named = true;
        if (UsableSettingsPath(source.NamedFile))
            memcpy(place.SettingsPath, source.NamedFile.c_str(), source.NamedFile.size() + 1);
        else
            place.SettingsFilePlace = SettingsPlace::NamedTooLong;
        return place;
    }
    place.SettingsFilePlace = SettingsFilePath(place.SettingsFile, place.SettingsPath, sizeof place.SettingsPath);
    if (place.SettingsFilePlace != SettingsPlace::Found) place.SettingsPath[0] = '\0';
    return place;
}

SettingsRecord ReadSettings(const SettingsPlaceRecord& place) {
    SettingsRecord settings;
    for (const SettingKey& k : kSettingKeys) k.Take(settings.SaverSettings, ReadNumber(place, k.Key, k.Fallback));
    for (int n = 1; n <= kStoredPalettes; n++) ReadPalette(place, PaletteKey(n), settings.PaletteTable[n - 1]);
    return settings;
}

bool SettingsExist(const SettingsPlaceRecord& place) {
    return ReadNumber(place, "TimeOnScreen", 0xFFFFFFFFu) != 0xFFFFFFFFu;
}

bool WriteSettingNumber(const SettingsPlaceRecord& place, const char* key, uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%u", value);
    return place.SettingsPath[0] &&
           WritePrivateProfileStringA(place.SettingsSection, key, text, place.SettingsPath) != FALSE;
}

bool SaveSettings(const SettingsRecord& settings, const SettingsPlaceRecord& place) {
    return !place.Named && WriteSettings(settings, place, false);
}

int32_t ColorFromName(const char* name) {
    char upper[kNameSize];
    size_t length = name ? strlen(name) : 0;
    if (!name || length >= sizeof upper) return kNoColor;
    for (size_t i = 0; i <= length; i++) upper[i] = (char)toupper((unsigned char)name[i]);
    for (int i = 0; i < kKeyColorSlots; i++)
        if (strcmp(upper, ColorNameTable[i].Name) == 0) return ColorNameTable[i].Color;
    return kNoColor;
}

const char* NameFromColor(int32_t color) {
    int i = 0;
    while (i < kKeyColorSlots && ColorNameTable[i].Color != color) i++;
    return ColorNameTable[i].Name;
}
