// The image buffers of the transitions: which buffer each transition uses,
// preparing a buffer for the next image, and one fading step. Portable: the
// saver and the picture renderer both prepare buffers through these.
#ifndef VELMORA_TRANSITION_BUFFERS_H
#define VELMORA_TRANSITION_BUFFERS_H

#include <cstdint>

// The bytes of one image row in memory: drawing reads rows padded to four
// bytes, so a picture of any width is kept in rows that long. The padding
// bytes are never part of the picture; they hold the unset mark throughout.
inline int32_t RowBytesOf(int32_t image_width) { return (int32_t)(((uint32_t)image_width + 3) & ~3u); }

// The buffer before k in the rotation 2, 1, 0, 2, ...
inline int32_t PreviousBuffer(int32_t k) { return k == 0 ? 2 : k - 1; }

// Makes buffer k ready for a new image that continues the one above it: every
// row but the top one is cleared to first_index; buffer 2's top row becomes a
// copy of buffer 0's bottom row, so that scrolling from image 0 into image 2
// shows no seam. origins are the starts of buffers 0, 1 and 2, row_bytes the
// length of a row in memory.
void PrepareImageRows(uint8_t* const origins[3], int32_t k, int32_t row_bytes, int32_t height, uint8_t first_index);

// One fading step over count pixels: each source pixel moves toward its target
// by the difference divided by divisor (truncated toward zero), from the last
// pixel down to the first.
void BlendStep(uint8_t* source, const uint8_t* target, int32_t divisor, intptr_t count);

#endif
