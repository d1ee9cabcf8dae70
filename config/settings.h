// Every user choice of the saver and the user's palettes: process-wide records,
// read from the settings file once per process and written back only by the
// configuration dialog.
#ifndef VELMORA_SETTINGS_H
#define VELMORA_SETTINGS_H

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

constexpr int kKeyColorSlots = 8;
constexpr int kStoredPalettes = 7;
constexpr int kScratchPalette = 7;
constexpr int32_t kNoColor = -1;

// Packed colours are 0x00BBGGRR with each channel byte 0 or 1.
struct PaletteDefinition {
    int32_t count;
    int32_t colors[kKeyColorSlots];
};

struct ColorName {
    const char* name;
    int32_t color;
};

enum PsycheExtraKind { kExtraNone = 0, kExtraPepper = 1, kExtraConfetti = 2, kExtraTerrible = 3 };
enum SymmetryKind { kSymmetryNone = 0, kSymmetryQuarter = 1, kSymmetryVertical = 2, kSymmetryHorizontal = 3 };

extern SaverSettingsRecord SaverSettings;
extern PaletteDefinition PaletteTable[kKeyColorSlots];
extern const ColorName ColorNameTable[kKeyColorSlots + 1];  // ends with an empty name

extern char SettingsSection[40];
extern char SettingsFile[13];

void LoadSettings();
void LoadSettingNames();
void ReadSettings();
bool SettingsExist();
void SaveSettings();
void WriteSettingNumber(const char* section, const char* key, uint32_t value);
int32_t ColorFromName(const char* name);
const char* NameFromColor(int32_t color);

// Reads and writes this file instead of the user's (tools); false when the path is too long.
bool UseSettingsFile(const char* path);

// Puts the records back to the built-in defaults, as at process start.
void ResetSettings();

#endif
