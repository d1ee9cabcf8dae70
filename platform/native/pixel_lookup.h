// Pixels through a table of 256 values: the one loop every 8-bit picture on
// the native display goes through on its way to the screen.
#ifndef VELMORA_NATIVE_PIXEL_LOOKUP_H
#define VELMORA_NATIVE_PIXEL_LOOKUP_H

#include <cstddef>
#include <cstdint>

namespace native_platform {

// out[i] = table[from[i]] for i < count; eight bytes read at a time.
void LookUpPixels(const uint8_t* from, const uint32_t* table, uint32_t* out, size_t count);

}  // namespace native_platform

#endif
