// Psychedelic colours: while a still picture stands, SSM_CYCLESTEP rotates its
// colours every PsycheDelay milliseconds until the picture's time is up.
#ifndef VELMORA_COLOR_CYCLE_H
#define VELMORA_COLOR_CYCLE_H

#include "platform/win32.h"

#include <cstdint>

// Starts the chain for the picture just completed; limit in seconds, 0: none.
void StartColorCycle(HWND window, uint32_t limit);
// One step (SSM_CYCLESTEP, wParam = limit).
void ColorCycleStep(HWND window, uint32_t limit);
// Ends the chain: the next picture comes, or the window goes.
void StopColorCycle();

#endif
