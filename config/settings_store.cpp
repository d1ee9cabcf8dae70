// Reading and writing the settings section; the orders of both are part of the
// file format that users and earlier versions see, so they stay as they are.
#include "settings.h"

#include "module_instance.h"
#include "resource_ids.h"
#include "settings_location.h"

#include "platform/win32.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

constexpr int32_t kBlue = Rgb(0, 0, 1), kYellow = Rgb(1, 1, 0), kMagenta = Rgb(1, 0, 1), kGreen = Rgb(0, 1, 0),
                  kWhite = Rgb(1, 1, 1), kBlack = Rgb(0, 0, 0), kRed = Rgb(1, 0, 0), kCyan = Rgb(0, 1, 1);
constexpr int32_t kN = kNoColor;

constexpr SaverSettingsRecord kDefaultSettings = {
    3,   // TimeOnScreen
    1,   // Granularity
    0,   // PaletteIndex (stored as 1)
    1,   // RandomPalette
    1,   // PredefPalette
    0,   // FixedPalette
    1,   // ContColorChange
    1,   // RandomGranularity
    0,   // MovingClouds
    0,   // PsychedelicColors
    0,   // TransformingClouds
    4,   // MovingSpeed
    20,  // TransformSteps
    10,  // PsycheDelay
    0,   // PsycheExtra
    0,   // NoBlank
    0,   // ExcludeZero
    0,   // Symmetry
    30,  // EffectCycle
};

constexpr PaletteDefinition kDefaultPalettes[kKeyColorSlots] = {
    {3, {kBlue, kRed, kGreen, kN, kN, kN, kN, kN}},
    {8, {kBlue, kYellow, kMagenta, kGreen, kWhite, kBlack, kRed, kCyan}},
    {3, {kWhite, kCyan, kWhite, kN, kN, kN, kN, kN}},
    {3, {kCyan, kBlue, kCyan, kN, kN, kN, kN, kN}},
    {4, {kBlue, kBlack, kRed, kYellow, kN, kN, kN, kN}},
    {2, {kYellow, kMagenta, kN, kN, kN, kN, kN, kN}},
    {2, {kYellow, kRed, kN, kN, kN, kN, kN, kN}},
    {0, {kN, kN, kN, kN, kN, kN, kN, kN}},
};

constexpr int kPaletteTextSize = 500;
constexpr int kNameSize = 20;  // a longer name is no colour name

char SettingsPath[MAX_PATH];

// Without a usable folder every key reads as its default and nothing is written.
uint32_t ReadNumber(const char* key, uint32_t fallback) {
    if (!SettingsPath[0]) return fallback;
    return GetPrivateProfileIntA(SettingsSection, key, (INT)fallback, SettingsPath);
}

uint8_t LowByte(uint32_t value) { return (uint8_t)(value & 0xFF); }

// "Palette1" ... "Palette7".
struct PaletteKey {
    char text[16];
    explicit PaletteKey(int n) { snprintf(text, sizeof text, "%s%d", "Palette", n); }
};

void ReadPalette(int n, PaletteDefinition& palette) {
    const PaletteKey key(n);
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

void WritePalette(int n, const PaletteDefinition& palette) {
    const PaletteKey key(n);
    const int32_t* c = palette.colors;
    char text[kKeyColorSlots * 8 + 8];
    snprintf(text, sizeof text, "%s %s %s %s %s %s %s %s", NameFromColor(c[0]), NameFromColor(c[1]),
             NameFromColor(c[2]), NameFromColor(c[3]), NameFromColor(c[4]), NameFromColor(c[5]),
             NameFromColor(c[6]), NameFromColor(c[7]));
    if (SettingsPath[0]) WritePrivateProfileStringA(SettingsSection, key.text, text, SettingsPath);
}

}  // namespace

SaverSettingsRecord SaverSettings = kDefaultSettings;
PaletteDefinition PaletteTable[kKeyColorSlots] = {
    kDefaultPalettes[0], kDefaultPalettes[1], kDefaultPalettes[2], kDefaultPalettes[3],
    kDefaultPalettes[4], kDefaultPalettes[5], kDefaultPalettes[6], kDefaultPalettes[7],
};

const ColorName ColorNameTable[kKeyColorSlots + 1] = {
    {"BLUE", kBlue}, {"YELLOW", kYellow}, {"MAGENTA", kMagenta}, {"GREEN", kGreen}, {"WHITE", kWhite},
    {"BLACK", kBlack}, {"RED", kRed},     {"CYAN", kCyan},       {"", 0},
};

char SettingsSection[40];
char SettingsFile[13];

void ResetSettings() {
    SaverSettings = kDefaultSettings;
    memcpy(PaletteTable, kDefaultPalettes, sizeof PaletteTable);
}

bool UseSettingsFile(const char* path) {
    size_t length = strlen(path);
    if (length >= sizeof SettingsPath) return false;
    memcpy(SettingsPath, path, length + 1);
    return true;
}

void LoadSettings() {
    LoadSettingNames();
    ReadSettings();
    if (!SettingsExist()) SaveSettings();
}

void LoadSettingNames() {
    LoadStringA(ResourceModule(), IDS_SETTINGS_SECTION, SettingsSection, sizeof SettingsSection);
    LoadStringA(ResourceModule(), IDS_SETTINGS_FILE, SettingsFile, sizeof SettingsFile);
    if (!SettingsFilePath(SettingsFile, SettingsPath, sizeof SettingsPath)) SettingsPath[0] = '\0';
}

void ReadSettings() {
    SaverSettingsRecord& s = SaverSettings;
    s.TimeOnScreen = ReadNumber("TimeOnScreen", 3);
    s.Granularity = ReadNumber("Granularity", 1);
    s.PaletteIndex = (ReadNumber("PaletteIndex", 1) - 1u) % 7u;
    s.RandomPalette = LowByte(ReadNumber("RandomPalette", 1));
    s.PredefPalette = LowByte(ReadNumber("PredefPalette", 1));
    s.FixedPalette = LowByte(ReadNumber("FixedPalette", 0));
    s.ContColorChange = LowByte(ReadNumber("ContColorChange", 1));
    s.RandomGranularity = LowByte(ReadNumber("RandomGranularity", 1));
    uint32_t effects = ReadNumber("SpecialEffects", 0);
    s.MovingClouds = LowByte(effects & 1);
    s.PsychedelicColors = LowByte(effects & 2);
    s.TransformingClouds = LowByte(effects & 4);
    s.PsycheDelay = (int32_t)ReadNumber("PsycheDelay", 10);
    s.PsycheExtra = (int32_t)ReadNumber("PsycheExtra", 0);
    s.TransformSteps = (int32_t)ReadNumber("TransformSteps", 20);
    s.MovingSpeed = (int32_t)ReadNumber("MovingSpeed", 4);
    s.NoBlank = (int32_t)ReadNumber("NoBlank", 0);
    s.ExcludeZero = (int32_t)ReadNumber("ExcludeZero", 0);
    s.Symmetry = (int32_t)ReadNumber("Symmetry", 0);
    s.EffectCycle = (int32_t)ReadNumber("EffectCycle", 30);
    for (int n = 1; n <= kStoredPalettes; n++) ReadPalette(n, PaletteTable[n - 1]);
}

bool SettingsExist() { return ReadNumber("TimeOnScreen", 0xFFFFFFFFu) != 0xFFFFFFFFu; }

void WriteSettingNumber(const char* section, const char* key, uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%u", value);
    if (SettingsPath[0]) WritePrivateProfileStringA(section, key, text, SettingsPath);
}

void SaveSettings() {
    const SaverSettingsRecord& s = SaverSettings;
    CreateSettingsFolder();
    WriteSettingNumber(SettingsSection, "TimeOnScreen", s.TimeOnScreen);
    WriteSettingNumber(SettingsSection, "Granularity", s.Granularity);
    WriteSettingNumber(SettingsSection, "RandomGranularity", s.RandomGranularity);
    WriteSettingNumber(SettingsSection, "PaletteIndex", s.PaletteIndex + 1);
    WriteSettingNumber(SettingsSection, "RandomPalette", s.RandomPalette);
    WriteSettingNumber(SettingsSection, "PredefPalette", s.PredefPalette);
    WriteSettingNumber(SettingsSection, "FixedPalette", s.FixedPalette);
    WriteSettingNumber(SettingsSection, "ContColorChange", s.ContColorChange);
    uint32_t effects = (s.MovingClouds ? 1u : 0u) | (s.PsychedelicColors ? 2u : 0u) | (s.TransformingClouds ? 4u : 0u);
    WriteSettingNumber(SettingsSection, "SpecialEffects", effects);
    WriteSettingNumber(SettingsSection, "MovingSpeed", (uint32_t)s.MovingSpeed);
    WriteSettingNumber(SettingsSection, "PsycheDelay", (uint32_t)s.PsycheDelay);
    WriteSettingNumber(SettingsSection, "PsycheExtra", (uint32_t)s.PsycheExtra);
    WriteSettingNumber(SettingsSection, "TransformSteps", (uint32_t)s.TransformSteps);
    WriteSettingNumber(SettingsSection, "NoBlank", (uint32_t)s.NoBlank);
    WriteSettingNumber(SettingsSection, "ExcludeZero", (uint32_t)s.ExcludeZero);
    WriteSettingNumber(SettingsSection, "Symmetry", (uint32_t)s.Symmetry);
    WriteSettingNumber(SettingsSection, "EffectCycle", (uint32_t)s.EffectCycle);
    for (int n = 1; n <= kStoredPalettes; n++) WritePalette(n, PaletteTable[n - 1]);
}

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
