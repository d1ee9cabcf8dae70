// Psychedelic colours: while a still picture stands, SSM_CYCLESTEP rotates its
// colours every PsycheDelay milliseconds until the picture's time is up.
#ifndef VELMORA_COLOR_CYCLE_H
#define VELMORA_COLOR_CYCLE_H

#include <cstdint>

struct SaverRecord;

struct ColorCycleRecord {
    uint32_t CycleStart = 0;     // tick count when the still picture began
    uint32_t LastCycleStep = 0;  // tick count of the last rotation
    uint32_t FeedIndex = 0;      // next feed position; 0: a new feed palette is due
};

// Starts the chain for the picture just completed; limit in seconds, 0: none.
void StartColorCycle(SaverRecord& saver, uint32_t limit);
// One step (SSM_CYCLESTEP, wParam = limit).
void ColorCycleStep(SaverRecord& saver, uint32_t limit);
// Ends the chain: the next picture comes, or the window goes.
void StopColorCycle(SaverRecord& saver);

#endif
