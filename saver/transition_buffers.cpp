#include "transition_buffers.h"

#include <algorithm>
#include <cstring>

void PrepareImageRows(uint8_t* const origins[3], int32_t k, int32_t row_bytes, int32_t height, uint8_t first_index) {
    const size_t row = (size_t)row_bytes;
    // Rows are bottom-up: the top row is the last one in memory.
    memset(origins[k], first_index, row * (size_t)(height - 1));
    if (k == 2) memmove(origins[2] + row * (size_t)(height - 1), origins[0], row);
}

// Differences are at most 255: a multiplication by the rounded-up reciprocal
// and a shift give the truncated quotient exactly (checked for every divisor
// up to 2000), and the loop below can then be vectorised.
void BlendStep(uint8_t* source, const uint8_t* target, int32_t divisor, intptr_t count) {
    if (divisor <= 1) {  // the last step: the target itself, in the same order
        for (intptr_t i = count - 1; i >= 0; i--) source[i] = target[i];
        return;
    }
    const uint32_t reciprocal = (65536u + (uint32_t)divisor - 1) / (uint32_t)divisor;
    // Buffers may share a row, and then the descending order is part of the
    // result: blocks are taken from the end down, no longer than the distance
    // between the buffers, and each is read whole before it is written.
    const uintptr_t a = (uintptr_t)source, b = (uintptr_t)target;
    const uintptr_t distance = a > b ? a - b : b - a;
    constexpr intptr_t kBlock = 4096;
    const intptr_t block = distance == 0 ? kBlock : (intptr_t)std::min<uintptr_t>(distance, kBlock);
    uint8_t blended[kBlock];
    for (intptr_t end = count; end > 0; end -= block) {
        const intptr_t start = end > block ? end - block : 0, n = end - start;
        const uint8_t* from = source + start;
        const uint8_t* to = target + start;
        for (intptr_t i = 0; i < n; i++) {
            const int32_t difference = (int32_t)to[i] - (int32_t)from[i];
            const int32_t size = difference < 0 ? -difference : difference;
            const int32_t move = (int32_t)(((uint32_t)size * reciprocal) >> 16);
            blended[i] = (uint8_t)(from[i] + (difference < 0 ? -move : move));
        }
        memcpy(source + start, blended, (size_t)n);
    }
}
