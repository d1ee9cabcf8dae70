// One step of the colour rotation: every animated position takes the colour of
// the one above it and a colour comes in at the top, the recycled one or the
// next of a feed palette. Portable: the saver and the picture renderer both
// rotate through these.
#ifndef VELMORA_COLOR_ROTATION_H
#define VELMORA_COLOR_ROTATION_H

#include "synth/palette.h"

#include <cstdint>

// The source of new colours for continuous colour changing.
struct ColorFeed {
    PaletteEntryBytes* Palette;  // FeedPalette (PaletteSize entries); null: the colours are recycled
    uint32_t* Index;             // FeedIndex: next position to take; 0 also means a new feed is due
    // Chooses the next palette, as the caller runs the chooser, and builds it into Palette.
    void (*NextPalette)(void* context, PaletteEntryBytes* palette);
    void* Context;
};

// Index mode, on the logical palette, which has one spare entry past
// LastAnimatedIndex: the range moves down by one position.
void RotatePaletteEntries(PaletteEntryBytes* entries, const PaletteGeometry& geometry, const ColorFeed& feed);

// Colour mode, on the bitmap's colour table of four-byte colours (blue, green,
// red, 0): the range moves down by one position, or by two with "Pepper" and
// "Confetti", whose colours keep the parity of their positions.
void RotateColorTable(uint8_t* colors, const PaletteGeometry& geometry, int32_t psyche_extra, const ColorFeed& feed);

#endif
