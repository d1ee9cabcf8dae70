// The state of one saver window: its size, palette geometry and buffers,
// image memory and display header. It lives in the saver's record
// (saver_record.h); every field holds its start value when the record is made.
#ifndef VELMORA_SAVER_STATE_H
#define VELMORA_SAVER_STATE_H

#include "platform/win32.h"
#include "synth/palette.h"

#include <cstdint>

constexpr int kDisplayHeaderBytes = 1064;
constexpr int kHeaderFieldsBytes = 40;
constexpr int32_t kMaxPaletteSize = 256;  // larger displays are treated as 256-entry ones

struct SaverStateRecord {
    int32_t ImageWidth = 0;  // the window's width: the picture's cells per row
    int32_t ImageHeight = 0;
    int32_t RowBytes = 0;  // one image row in memory: ImageWidth padded to a multiple of 4, as drawing reads rows
    RECT ClientRect = {0, 0, 0, 0};  // the client area itself
    PaletteGeometry Palette = {};    // PaletteSize, FirstAnimatedIndex, LastAnimatedIndex, AnimatedCount, PaletteDevice
    LOGPALETTE* DisplayPalette = nullptr;
    LOGPALETTE* FeedPalette = nullptr;
    HLOCAL DisplayPaletteBlock = nullptr;
    HLOCAL FeedPaletteBlock = nullptr;
    HPALETTE PaletteObject = nullptr;
    HGLOBAL ImageAreaBlock = nullptr;
    uint8_t* ImageArea = nullptr;  // null unless locked
    uint8_t* BufferOrigin[4] = {};
    int32_t BufferCount = 0;
    HGLOBAL DisplayHeaderBlock = nullptr;
    uint8_t* DisplayHeader = nullptr;
    uint8_t* ShownImage = nullptr;
    bool SkipFirstPaint = true;  // the first paint comes before any cell is computed
    uint16_t TimerArmed = 0;
    HANDLE ImageReady = nullptr;
    int32_t EffectList[3] = {};
    int32_t EffectCount = 0;
};

// A piece of work (drawing, colour cycle, transition) that stopped for a
// message waiting behind it, and the message that goes on with it; 0: none.
// A close request the host refuses leaves it to the window core to resume.
struct StoppedWorkRecord {
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
};

#endif
