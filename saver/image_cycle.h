// The image cycle: the private messages that make each picture, one handler
// a message (the window core's switch calls them).
#ifndef VELMORA_IMAGE_CYCLE_H
#define VELMORA_IMAGE_CYCLE_H

#include "synth/plasma.h"

struct SaverRecord;

// How a generation on the window's thread lets the window's messages through,
// learns of an abort, and has finished parts of a progressive picture shown.
PlasmaHost WindowThreadHost(SaverRecord& saver);

void NewImage(SaverRecord& saver);            // SSM_NEWIMAGE
void ClearScreen(SaverRecord& saver);         // SSM_CLEARSCREEN
void ChooseImagePalette(SaverRecord& saver);  // SSM_CHOOSEPALETTE
void SetPalette(SaverRecord& saver);          // SSM_SETPALETTE
void DrawImage(SaverRecord& saver);           // SSM_DRAWIMAGE
void ImageDone(SaverRecord& saver);           // SSM_IMAGEDONE
void ImageTimer(SaverRecord& saver);          // WM_TIMER: the picture's time is up

#endif
