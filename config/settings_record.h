// Every user choice of the saver and the user's palettes, with their built-in
// values, and the one table of the file's numeric keys. Header only and free
// of platform calls, so that the synthesis can read the records without
// linking the store.
#ifndef VELMORA_SETTINGS_RECORD_H
#define VELMORA_SETTINGS_RECORD_H

#include <cstdint>

struct SaverSettingsRecord {
    uint32_t TimeOnScreen;
    uint32_t Granularity;
    uint32_t PaletteIndex;  // 0-based; 7 selects the scratch palette
    uint8_t RandomPalette;
    uint8_t PredefPalette;
    uint8_t FixedPalette;
    uint8_t ContColorChange;
    uint8_t RandomGranularity;
    uint8_t MovingClouds;        // 0 or 1
    uint8_t PsychedelicColors;   // 0 or 2
    uint8_t TransformingClouds;  // 0 or 4
    int32_t MovingSpeed;
    int32_t TransformSteps;
    int32_t PsycheDelay;
    int32_t PsycheExtra;
    int32_t NoBlank;
    int32_t ExcludeZero;
    int32_t Symmetry;
    int32_t EffectCycle;
};

// One numeric key of the settings section: its name, the number that a missing
// key reads as, and how the record's fields are kept under it. The table is in
// the order of writing, which is part of the file's format.
struct SettingKey {
    const char* Key;
    uint32_t Fallback;
    uint32_t (*Stored)(const SaverSettingsRecord& settings);  // the number written
    void (*Take)(SaverSettingsRecord& settings, uint32_t number);  // the number read
};

// A field held as the file holds it; narrower fields keep the low bits.
#define VELMORA_SETTING_FIELD(Field)                                          \
    [](const SaverSettingsRecord& s) { return (uint32_t)s.Field; },           \
        [](SaverSettingsRecord& s, uint32_t v) { s.Field = (decltype(s.Field))v; }

inline constexpr SettingKey kSettingKeys[] = {
    {"TimeOnScreen", 3, VELMORA_SETTING_FIELD(TimeOnScreen)},
    {"Granularity", 1, VELMORA_SETTING_FIELD(Granularity)},
    {"RandomGranularity", 1, VELMORA_SETTING_FIELD(RandomGranularity)},
    // Stored 1-based; 0 folds to 3 since the subtraction wraps.
    {"PaletteIndex", 1, [](const SaverSettingsRecord& s) { return s.PaletteIndex + 1; },
     [](SaverSettingsRecord& s, uint32_t v) { s.PaletteIndex = (v - 1u) % 7u; }},
    {"RandomPalette", 1, VELMORA_SETTING_FIELD(RandomPalette)},
    {"PredefPalette", 1, VELMORA_SETTING_FIELD(PredefPalette)},
    {"FixedPalette", 0, VELMORA_SETTING_FIELD(FixedPalette)},
    {"ContColorChange", 1, VELMORA_SETTING_FIELD(ContColorChange)},
    // Three flags in one number; each flag holds its own bit.
    {"SpecialEffects", 0,
     [](const SaverSettingsRecord& s) {
         return (s.MovingClouds ? 1u : 0u) | (s.PsychedelicColors ? 2u : 0u) | (s.TransformingClouds ? 4u : 0u);
     },
     [](SaverSettingsRecord& s, uint32_t v) {
         s.MovingClouds = (uint8_t)(v & 1);
         s.PsychedelicColors = (uint8_t)(v & 2);
         s.TransformingClouds = (uint8_t)(v & 4);
     }},
    {"MovingSpeed", 4, VELMORA_SETTING_FIELD(MovingSpeed)},
    {"PsycheDelay", 10, VELMORA_SETTING_FIELD(PsycheDelay)},
    {"PsycheExtra", 0, VELMORA_SETTING_FIELD(PsycheExtra)},
    {"TransformSteps", 20, VELMORA_SETTING_FIELD(TransformSteps)},
    {"NoBlank", 0, VELMORA_SETTING_FIELD(NoBlank)},
    {"ExcludeZero", 0, VELMORA_SETTING_FIELD(ExcludeZero)},
    {"Symmetry", 0, VELMORA_SETTING_FIELD(Symmetry)},
    {"EffectCycle", 30, VELMORA_SETTING_FIELD(EffectCycle)},
};

#undef VELMORA_SETTING_FIELD

constexpr SaverSettingsRecord MakeDefaultSettings() {
    SaverSettingsRecord settings{};
    for (const SettingKey& k : kSettingKeys) k.Take(settings, k.Fallback);
    return settings;
}

inline constexpr SaverSettingsRecord kDefaultSettings = MakeDefaultSettings();

constexpr int kKeyColorSlots = 8;
constexpr int kStoredPalettes = 7;
constexpr int kScratchPalette = 7;
constexpr int32_t kNoColor = -1;

// A key colour packed as 0x00BBGGRR (the platform's colour layout); a named
// colour has each channel byte 0 or 1.
constexpr int32_t PackedColor(int red, int green, int blue) { return red | (green << 8) | (blue << 16); }

struct PaletteDefinition {
    int32_t count;
    int32_t colors[kKeyColorSlots];  // slots at and past count hold kNoColor
};

struct ColorName {
    const char* Name;
    int32_t Color;
};

// The order matters: random key colours are drawn by position.
inline constexpr ColorName ColorNameTable[kKeyColorSlots + 1] = {
    {"BLUE", PackedColor(0, 0, 1)},  {"YELLOW", PackedColor(1, 1, 0)}, {"MAGENTA", PackedColor(1, 0, 1)},
    {"GREEN", PackedColor(0, 1, 0)}, {"WHITE", PackedColor(1, 1, 1)},  {"BLACK", PackedColor(0, 0, 0)},
    {"RED", PackedColor(1, 0, 0)},   {"CYAN", PackedColor(0, 1, 1)},   {"", 0},  // the end
};

namespace settings_colors {
constexpr int32_t kBlue = ColorNameTable[0].Color, kYellow = ColorNameTable[1].Color,
                  kMagenta = ColorNameTable[2].Color, kGreen = ColorNameTable[3].Color,
                  kWhite = ColorNameTable[4].Color, kBlack = ColorNameTable[5].Color, kRed = ColorNameTable[6].Color,
                  kCyan = ColorNameTable[7].Color, kN = kNoColor;
}  // namespace settings_colors

// Palette1 ... Palette7 until the file gives them, and the empty scratch entry.
inline constexpr PaletteDefinition kDefaultPalettes[kKeyColorSlots] = {
    {3, {settings_colors::kBlue, settings_colors::kRed, settings_colors::kGreen, -1, -1, -1, -1, -1}},
    {8,
     {settings_colors::kBlue, settings_colors::kYellow, settings_colors::kMagenta, settings_colors::kGreen,
      settings_colors::kWhite, settings_colors::kBlack, settings_colors::kRed, settings_colors::kCyan}},
    {3, {settings_colors::kWhite, settings_colors::kCyan, settings_colors::kWhite, -1, -1, -1, -1, -1}},
    {3, {settings_colors::kCyan, settings_colors::kBlue, settings_colors::kCyan, -1, -1, -1, -1, -1}},
    {4, {settings_colors::kBlue, settings_colors::kBlack, settings_colors::kRed, settings_colors::kYellow, -1, -1, -1, -1}},
    {2, {settings_colors::kYellow, settings_colors::kMagenta, -1, -1, -1, -1, -1, -1}},
    {2, {settings_colors::kYellow, settings_colors::kRed, -1, -1, -1, -1, -1, -1}},
    {0, {-1, -1, -1, -1, -1, -1, -1, -1}},
};

enum PsycheExtraKind { kExtraNone = 0, kExtraPepper = 1, kExtraConfetti = 2, kExtraTerrible = 3 };
enum SymmetryKind { kSymmetryNone = 0, kSymmetryQuarter = 1, kSymmetryVertical = 2, kSymmetryHorizontal = 3 };

// The user's settings: every choice and the palettes, as a load reads them
// (the built-in values where the file says nothing). Read only once loaded:
// a running saver keeps its own choices in a record of its own.
struct SettingsRecord {
    SaverSettingsRecord SaverSettings = kDefaultSettings;
    PaletteDefinition PaletteTable[kKeyColorSlots] = {
        kDefaultPalettes[0], kDefaultPalettes[1], kDefaultPalettes[2], kDefaultPalettes[3],
        kDefaultPalettes[4], kDefaultPalettes[5], kDefaultPalettes[6], kDefaultPalettes[7],
    };
};

#endif
