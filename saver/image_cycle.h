// The image cycle: the private messages that make each picture.
#ifndef VELMORA_IMAGE_CYCLE_H
#define VELMORA_IMAGE_CYCLE_H

#include "platform/win32.h"
#include "synth/plasma.h"

// True when the message was one of the cycle's.
bool HandleImageCycle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Whether the next enabled effect's turn has come.
bool EffectDue();

// How a generation on the window's thread lets the window's messages through,
// learns of an abort, and has finished parts of a progressive picture shown.
PlasmaHost WindowThreadHost(HWND window);

// A run of the generator over a whole picture in buffer, with this picture's
// settings and the calendar time now.
PlasmaRun PictureRun(uint8_t* buffer, const PlasmaHost* host);

#endif
