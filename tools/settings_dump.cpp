// settings-dump read|load: reads the settings (load also writes a missing
// section) and prints every field and palette, one per line.
#include "config/settings.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || (strcmp(argv[1], "read") != 0 && strcmp(argv[1], "load") != 0)) {
        fprintf(stderr, "usage: settings-dump read|load\n");
        return 2;
    }
    const SettingsSource source;  // the user's file, nothing over it
    const SettingsRecord settings = strcmp(argv[1], "load") == 0 ? LoadSettings(source).Settings
                                                                  : ReadSettings(LoadSettingNames(source));
    const SaverSettingsRecord& s = settings.SaverSettings;
    printf("TimeOnScreen=%u\nGranularity=%u\nPaletteIndex=%u\n", s.TimeOnScreen, s.Granularity, s.PaletteIndex);
    printf("RandomPalette=%u\nPredefPalette=%u\nFixedPalette=%u\nContColorChange=%u\nRandomGranularity=%u\n",
           s.RandomPalette, s.PredefPalette, s.FixedPalette, s.ContColorChange, s.RandomGranularity);
    printf("MovingClouds=%u\nPsychedelicColors=%u\nTransformingClouds=%u\n", s.MovingClouds, s.PsychedelicColors,
           s.TransformingClouds);
    printf("MovingSpeed=%d\nTransformSteps=%d\nPsycheDelay=%d\nPsycheExtra=%d\n", s.MovingSpeed, s.TransformSteps,
           s.PsycheDelay, s.PsycheExtra);
    printf("NoBlank=%d\nExcludeZero=%d\nSymmetry=%d\nEffectCycle=%d\n", s.NoBlank, s.ExcludeZero, s.Symmetry,
           s.EffectCycle);
    for (int p = 0; p < kKeyColorSlots; p++) {
        printf("Palette%d=%d:", p + 1, settings.PaletteTable[p].count);
        for (int32_t color : settings.PaletteTable[p].colors) printf(" %d", color);
        printf("\n");
    }
    return 0;
}
