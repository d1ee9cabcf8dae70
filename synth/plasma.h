// The plasma generator: a fractal height field by recursive midpoint
// displacement, written into an 8-bit bottom-up image buffer.
#ifndef VELMORA_PLASMA_H
#define VELMORA_PLASMA_H

#include "random.h"

#include <cstdint>

// The symbols of the generator's rules, as the code and its comments use them:
//   W, H    width and height of the picture in cells (ImageWidth, ImageHeight)
//   N       AnimatedCount: how many heights a cell can hold, 1 ... 256
//   AW, AH  width and height of the area generated (the whole picture)
//   CW      check-point width, AW / 8: a rectangle whose left half is CW wide
//           lets the window's messages through and shows its finished quarter
//   G8      8 x Granularity, the factor of every displacement
//   S       displacement shift, chosen from N (DisplacementShift)
//   xm, ym  midpoint column and row of a rectangle
// A cell holds FirstAnimatedIndex + its height; height 0 marks it unset.

// What the generator needs from whoever runs it. Any member may be null: no
// pumping, never aborted, nothing to invalidate.
struct PlasmaHost {
    void* Context;
    void (*PumpMessages)(void* context);
    bool (*AbortRequested)(void* context);
    // Inclusive cell bounds of a finished part of the picture.
    void (*InvalidateCells)(void* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
};

struct PlasmaRun {
    uint8_t* Buffer;         // Height rows bottom-up, each RowBytes long
    int32_t Width;           // ImageWidth
    int32_t Height;          // ImageHeight
    // Bytes from one row to the next in memory: rows may be padded past the
    // picture's width (for drawing). Padding is never read or written.
    int32_t RowBytes;
    int32_t FirstIndex;      // FirstAnimatedIndex: the byte of an unset cell
    int32_t AnimatedCount;   // N, 1 ... 256
    uint32_t Granularity;    // in force for this picture
    int32_t Symmetry;
    uint32_t CalendarTime;   // whole seconds; the random source is reseeded with it
    RandomSource* Random;    // the calling thread's: its saver's, or its worker's
    const PlasmaHost* Host;  // null: none
};

// Generates over the inclusive cell bounds; every caller passes the whole
// window (0, 0, width - 1, height - 1). The caller learns of an abort from its
// own flag afterwards.
void GeneratePlasma(const PlasmaRun& run, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool progressive);

// The shift of the displacement, chosen from N.
int32_t DisplacementShift(int32_t animated_count);

#endif
