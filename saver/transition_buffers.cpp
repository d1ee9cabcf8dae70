#include "transition_buffers.h"

#include <cstring>

void PrepareImageRows(uint8_t* const origins[3], int32_t k, int32_t width, int32_t height, uint8_t first_index) {
    const size_t row = (size_t)width;
    // Rows are bottom-up: the top row is the last one in memory.
    memset(origins[k], first_index, row * (size_t)(height - 1));
    if (k == 2) memmove(origins[2] + row * (size_t)(height - 1), origins[0], row);
}

void BlendStep(uint8_t* source, const uint8_t* target, int32_t divisor, intptr_t count) {
    // Buffers may share a row: the order is part of the result.
    for (intptr_t i = count - 1; i >= 0; i--) {
        const int32_t difference = (int32_t)target[i] - (int32_t)source[i];
        source[i] = (uint8_t)(source[i] + difference / divisor);
    }
}
