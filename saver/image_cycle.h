// The image cycle: the private messages that make each picture, one handler
// a message (the window core's switch calls them).
#ifndef VELMORA_IMAGE_CYCLE_H
#define VELMORA_IMAGE_CYCLE_H

#include "platform/win32.h"

void NewImage(HWND window);     // SSM_NEWIMAGE
void ClearScreen(HWND window);  // SSM_CLEARSCREEN
void ChooseImagePalette();      // SSM_CHOOSEPALETTE
void SetPalette();              // SSM_SETPALETTE
void DrawImage(HWND window);    // SSM_DRAWIMAGE
void ImageDone(HWND window);    // SSM_IMAGEDONE
void ImageTimer(HWND window);   // WM_TIMER: the picture's time is up

#endif
