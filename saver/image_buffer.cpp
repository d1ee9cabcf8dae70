#include "image_buffer.h"

#include "saver_state.h"

#include <cstring>

void FillImage(uint8_t* first, uint8_t* last) {
    memset(first, (uint8_t)SaverState.Palette.FirstAnimatedIndex, (size_t)(last - first) + 1);
}
