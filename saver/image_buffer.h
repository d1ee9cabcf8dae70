// Clearing image buffers: every byte becomes FirstAnimatedIndex, the mark of
// a cell the generator has not computed yet.
#ifndef VELMORA_IMAGE_BUFFER_H
#define VELMORA_IMAGE_BUFFER_H

#include <cstdint>

void FillImage(uint8_t* first, uint8_t* last);  // inclusive; last >= first

#endif
