// The palette chooser and builder: which colours the heights of a picture show.
#ifndef VELMORA_PALETTE_H
#define VELMORA_PALETTE_H

#include <cstdint>

// Laid out as the platform's palette entry, so a logical palette's entries can be filled directly.
struct PaletteEntryBytes {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

constexpr uint8_t kFlagReserved = 1;  // PC_RESERVED: may be animated
constexpr uint8_t kFlagExplicit = 2;  // PC_EXPLICIT: names a hardware palette index

// Palette geometry of the display.
struct PaletteGeometry {
    int32_t PaletteSize;
    int32_t FirstAnimatedIndex;
    int32_t LastAnimatedIndex;
    int32_t AnimatedCount;
    uint8_t PaletteDevice;
};

// With 256 entries the first and last ten stay with the system; otherwise all are animated.
PaletteGeometry MakePaletteGeometry(int32_t palette_size, bool palette_device);

// What the chooser carries from one picture to the next, with its start values.
struct PaletteChooserRecord {
    uint8_t ChannelScale[3] = {255, 255, 255};  // red, green, blue
    int32_t ScratchFirstRandom = 0;  // 1: a random palette starts with the last key colour of the one before
};

extern PaletteChooserRecord PaletteChooser;

int32_t SkewedRandom(int32_t lo, int32_t hi, int32_t ref);
void ChoosePalette(const PaletteGeometry& geometry);
// Fills entries 0 ... PaletteSize - 1.
void BuildPalette(PaletteEntryBytes* palette, bool wrap, const PaletteGeometry& geometry);

#endif
