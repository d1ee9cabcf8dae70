// The palette chooser and builder: which colours the heights of a picture show.
#ifndef VELMORA_PALETTE_H
#define VELMORA_PALETTE_H

#include "random.h"

#include "config/settings_record.h"

#include <cstdint>

// Laid out as the platform's palette entry, so a logical palette's entries can be filled directly.
struct PaletteEntryBytes {
    uint8_t Red;
    uint8_t Green;
    uint8_t Blue;
    uint8_t Flags;
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

// What the chooser carries from one picture to the next: the run's own
// choices, which never touch the user's settings. A saver starts it from its
// settings (StartPaletteChooser).
struct PaletteChooserRecord {
    uint8_t ChannelScale[3] = {255, 255, 255};  // red, green, blue
    int32_t ScratchFirstRandom = 0;  // 1: a random palette starts with the last key colour of the one before
    uint32_t PaletteIndex = 0;       // the slot in force: 0 ... 6 stored, 7 the scratch slot
    uint32_t Granularity = 1;        // in force for the next picture
    PaletteDefinition Scratch = kDefaultPalettes[kScratchPalette];  // slot 7, filled for random palettes
};

// The chooser at a saver's start: the settings' palette and granularity.
void StartPaletteChooser(PaletteChooserRecord& chooser, const SaverSettingsRecord& settings);

// The palette a slot names: one of the stored seven, or the chooser's scratch slot.
const PaletteDefinition& PaletteSlot(const PaletteChooserRecord& chooser, const PaletteDefinition stored[],
                                     uint32_t slot);

int32_t SkewedRandom(RandomSource& random, int32_t lo, int32_t hi, int32_t ref);

// Granularity, palette slot and channel scales for the next picture, from the
// user's settings and stored palettes (read only) and the random source.
void ChoosePalette(PaletteChooserRecord& chooser, const SaverSettingsRecord& settings, const PaletteDefinition stored[],
                   const PaletteGeometry& geometry, RandomSource& random);

// Fills entries 0 ... PaletteSize - 1 from a slot's key colours, each channel
// times its scale; psyche_extra draws black stripes or confetti ("Confetti"
// draws from the random source).
void BuildPalette(PaletteEntryBytes* palette, bool wrap, const PaletteGeometry& geometry,
                  const PaletteDefinition& slot, const uint8_t channel_scale[3], int32_t psyche_extra,
                  RandomSource& random);

#endif
