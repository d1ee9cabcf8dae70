// What the display tells about its colours.
#ifndef VELMORA_DISPLAY_CAPS_H
#define VELMORA_DISPLAY_CAPS_H

#include "platform/win32.h"

#include <cstdint>

// Palette entries of the display: its palette size, else its colour count (256
// for true colour or more); 0 when it reports neither.
int32_t QueryPaletteSize(HWND window);
// 1 when the display is palette-based.
uint8_t QueryPaletteDevice(HWND window);
// Frames a second of the display; 60 where it does not say.
int32_t QueryRefreshRate(HWND window);

#endif
