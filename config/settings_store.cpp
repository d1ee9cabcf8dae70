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
uint32_t ReadNumber(const char* key, uint32_t fallback) {
    if (!SettingsPath[0]) return fallback;
    return GetPrivateProfileIntA(SettingsSection, key, (INT)fallback, SettingsPath);
}

// Whether the section lacks the key altogether (an empty value is the user's own).
bool KeyMissing(const char* key) {
    static const char kAbsent[] = "\x7f";  // a value no writer of this file produces
    char text[4];
    GetPrivateProfileStringA(SettingsSection, key, kAbsent, text, sizeof text, SettingsPath);
    return strcmp(text, kAbsent) == 0;
}

// "Palette1" ... "Palette7".
struct PaletteKey {
    char text[16];
    explicit PaletteKey(int n) { snprintf(text, sizeof text, "%s%d", "Palette", n); }
};

void ReadPalette(const PaletteKey& key, PaletteDefinition& palette) {
    char text[kPaletteTextSize] = "";
    if (SettingsPath[0]) GetPrivateProfileStringA(SettingsSection, key.text, "", text, sizeof text, SettingsPath);

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

bool WritePalette(const PaletteKey& key, const PaletteDefinition& palette) {
    const int32_t* c = palette.colors;
    char text[kKeyColorSlots * 8 + 8];
    snprintf(text, sizeof text, "%s %s %s %s %s %s %s %s", NameFromColor(c[0]), NameFromColor(c[1]),
             NameFromColor(c[2]), NameFromColor(c[3]), NameFromColor(c[4]), NameFromColor(c[5]),
             NameFromColor(c[6]), NameFromColor(c[7]));
    return WritePrivateProfileStringA(SettingsSection, key.text, text, SettingsPath) != FALSE;
}

// Every key in the order of the format; with only_missing, the keys that the
// section lacks, so that no line the user wrote is ever rewritten. False when
// any write failed.
bool WriteSettings(bool only_missing) {
    if (!SettingsPath[0]) return false;
    CreateSettingsFolder();
    bool written = true;
    for (const SettingKey& k : kSettingKeys)
        if (!only_missing || KeyMissing(k.key))
            written = WriteSettingNumber(SettingsSection, k.key, k.stored(SaverSettings)) && written;
    for (int n = 1; n <= kStoredPalettes; n++) {
        const PaletteKey key(n);
        if (!only_missing || KeyMissing(key.text)) written = WritePalette(key, PaletteTable[n - 1]) && written;
    }
    return written;
}

}  // namespace

char SettingsSection[40];
char SettingsFile[13];
char SettingsPath[kSettingsPathSize];
SettingsPlace SettingsFilePlace = SettingsPlace::Found;

namespace {
char ChosenSettingsPath[kSettingsPathSize];  // empty: the user's file, wherever it lives
SettingOverrides Overrides;
}

void UseSettingOverrides(const SettingOverrides& overrides) { Overrides = overrides; }

void ReturnStoreToStart() {
    UseDefaultSettings();
    SettingsSection[0] = SettingsFile[0] = SettingsPath[0] = '\0';
    SettingsFilePlace = SettingsPlace::Found;
    ChosenSettingsPath[0] = '\0';
    Overrides = SettingOverrides{};
}

bool UseSettingsFile(const char* path) {
    size_t length = path ? strlen(path) : 0;
    if (length >= sizeof SettingsPath) return false;
    memcpy(ChosenSettingsPath, path ? path : "", length + 1);
    if (length) memcpy(SettingsPath, path, length + 1);
    return true;
}

// A section without a readable "TimeOnScreen" counts as missing; what it lacks
// is added with the values just read (the defaults on a fresh system). A file
// named with UseSettingsFile is only read: it may be anything the user chose.
void LoadSettings() {
    LoadSettingNames();
    ReadSettings();
    if (!SettingsExist() && !ChosenSettingsPath[0]) WriteSettings(true);
    ApplySettingOverrides(Overrides, SaverSettings);  // for this run only: never written
}

void LoadSettingNames() {
    LoadStringA(ResourceModule(), IDS_SETTINGS_SECTION, SettingsSection, sizeof SettingsSection);
    LoadStringA(ResourceModule(), IDS_SETTINGS_FILE, SettingsFile, sizeof SettingsFile);
    if (ChosenSettingsPath[0]) {
        memcpy(SettingsPath, ChosenSettingsPath, sizeof SettingsPath);
        SettingsFilePlace = SettingsPlace::Found;
        return;
    }
    SettingsFilePlace = SettingsFilePath(SettingsFile, SettingsPath, sizeof SettingsPath);
    if (SettingsFilePlace != SettingsPlace::Found) SettingsPath[0] = '\0';
}

void ReadSettings() {
    for (const SettingKey& k : kSettingKeys) k.take(SaverSettings, ReadNumber(k.key, k.fallback));
    for (int n = 1; n <= kStoredPalettes; n++) ReadPalette(PaletteKey(n), PaletteTable[n - 1]);
}

bool SettingsExist() { return ReadNumber("TimeOnScreen", 0xFFFFFFFFu) != 0xFFFFFFFFu; }

bool WriteSettingNumber(const char* section, const char* key, uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%u", value);
    return SettingsPath[0] && WritePrivateProfileStringA(section, key, text, SettingsPath) != FALSE;
}

bool SaveSettings() { return WriteSettings(false); }

int32_t ColorFromName(const char* name) {
    char upper[kNameSize];
    size_t length = name ? strlen(name) : 0;
    if (!name || length >= sizeof upper) return kNoColor;
    for (size_t i = 0; i <= length; i++) upper[i] = (char)toupper((unsigned char)name[i]);
    for (int i = 0; i < kKeyColorSlots; i++)
        if (strcmp(upper, ColorNameTable[i].name) == 0) return ColorNameTable[i].color;
    return kNoColor;
}

const char* NameFromColor(int32_t color) {
    int i = 0;
    while (i < kKeyColorSlots && ColorNameTable[i].color != color) i++;
    return ColorNameTable[i].name;
}
