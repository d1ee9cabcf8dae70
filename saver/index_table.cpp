#include "index_table.h"

#include "config/settings_record.h"

namespace {

void PutEntry(uint8_t* area, int32_t j, uint32_t value) {
    area[2 * j] = (uint8_t)value;
    area[2 * j + 1] = (uint8_t)(value >> 8);
}

// A four-byte slot covers entries 2s and 2s + 1: the value and a high word of 0.
void PutSlot(uint8_t* area, int32_t slot, uint32_t value) {
    if (4 * slot + 3 >= kColorAreaBytes) return;
    PutEntry(area, 2 * slot, value & 0xFFFF);
    PutEntry(area, 2 * slot + 1, value >> 16);
}

}  // namespace

void WriteIndexTable(uint8_t* area, const PaletteGeometry& g, int32_t psyche_extra) {
    const int32_t entries = g.PaletteSize < kColorAreaBytes / 2 ? g.PaletteSize : kColorAreaBytes / 2;
    for (int32_t j = 0; j < entries; j++) PutEntry(area, j, (uint32_t)j);
    const uint32_t first = (uint32_t)g.FirstAnimatedIndex;
    if (psyche_extra == kExtraPepper)
        for (int32_t k = 0; g.FirstAnimatedIndex + k < g.LastAnimatedIndex; k++) PutSlot(area, k, first + k);
    if (psyche_extra == kExtraConfetti)
        for (int32_t k = 0; g.FirstAnimatedIndex + 2 * k < g.LastAnimatedIndex; k++)
            PutSlot(area, 2 * k, first + 2 * k);
}

uint16_t IndexTableEntry(const uint8_t* area, int32_t j) {
    return (uint16_t)(area[2 * j] | (area[2 * j + 1] << 8));
}
