// The installer's backdrop: bands from blue to black across the screen, in a
// palette built by the saver's own palette builder.
#ifndef VELMORA_BACKDROP_H
#define VELMORA_BACKDROP_H

#include "platform/win32.h"

#include <cstdint>

struct BackdropRecord {
    int32_t First = 0;   // first gradient entry
    int32_t Count = 0;   // gradient entries, one band each
    HLOCAL Block = nullptr;
    LOGPALETTE* Palette = nullptr;
    HPALETTE Object = nullptr;
    bool Ready = true;     // cleared when no palette can be made: the backdrop stays black
    HWND Dialog = nullptr;  // the open dialog, if any
};

extern BackdropRecord Backdrop;

void MakeBackdropPalette(HWND window);  // WM_CREATE
void PaintBackdrop(HWND window);        // WM_PAINT
void ReleaseBackdropPalette();

#endif
