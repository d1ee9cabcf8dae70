#include "pixel_lookup.h"

#include <cstring>

namespace native_platform {

void LookUpPixels(const uint8_t* from, const uint32_t* table, uint32_t* out, size_t count) {
    // One 64-bit load gives eight indices: the loads of the table then
    // overlap instead of waiting one behind the other on byte loads.
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t eight;
        memcpy(&eight, from + i, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        eight = __builtin_bswap64(eight);  // the first byte lowest, as below
#endif
        const uint32_t low = (uint32_t)eight, high = (uint32_t)(eight >> 32);
        out[i] = table[low & 0xFF];
        out[i + 1] = table[(low >> 8) & 0xFF];
        out[i + 2] = table[(low >> 16) & 0xFF];
        out[i + 3] = table[low >> 24];
        out[i + 4] = table[high & 0xFF];
        out[i + 5] = table[(high >> 8) & 0xFF];
        out[i + 6] = table[(high >> 16) & 0xFF];
        out[i + 7] = table[high >> 24];
    }
    for (; i < count; i++) out[i] = table[from[i]];
}

}  // namespace native_platform
