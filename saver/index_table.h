// The colour-index table of index mode: which palette position each pixel
// value shows on a palette device ("Pepper" and "Confetti" remap some).
#ifndef VELMORA_INDEX_TABLE_H
#define VELMORA_INDEX_TABLE_H

#include "synth/palette.h"

#include <cstdint>

constexpr int kColorAreaBytes = 1024;

// Writes 16-bit entries, little-endian, into the 1024-byte colour area.
void WriteIndexTable(uint8_t* color_area, const PaletteGeometry& geometry, int32_t psyche_extra);
uint16_t IndexTableEntry(const uint8_t* color_area, int32_t j);

#endif
