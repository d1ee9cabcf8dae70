// Pixels through a table of 256 values: the one loop every 8-bit picture on
// the native display goes through on its way to the screen.
#ifndef VELMORA_NATIVE_PIXEL_LOOKUP_H
#define VELMORA_NATIVE_PIXEL_LOOKUP_H

#include <cstddef>
#include <cstdint>

namespace native_platform {

// A table of 256 values made ready for LookUpPixels: made once, used for
// many rows.
struct PixelTable {
    alignas(64) uint8_t Planes[4][256];  // byte k of each value, for the 64-at-a-time lookup
    uint32_t Values[256];
};
void MakePixelTable(const uint32_t values[256], PixelTable& table);

// out[i] = the table's value of from[i] for i < count: 64 at a time with
// AVX-512's byte permutes where the processor has them, else
// LookUpPixelsEightAtATime.
void LookUpPixels(const uint8_t* from, const PixelTable& table, uint32_t* out, size_t count);
// The same with eight bytes a load, on any processor.
void LookUpPixelsEightAtATime(const uint8_t* from, const uint32_t* values, uint32_t* out, size_t count);

}  // namespace native_platform

#endif
