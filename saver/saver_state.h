// The process-wide state of the saver window.
#ifndef VELMORA_SAVER_STATE_H
#define VELMORA_SAVER_STATE_H

#include "platform/win32.h"
#include "synth/palette.h"

#include <atomic>
#include <cstdint>

constexpr int kDisplayHeaderBytes = 1064;
constexpr int kHeaderFieldsBytes = 40;
constexpr int32_t kMaxPaletteSize = 256;  // larger displays are treated as 256-entry ones

struct SaverStateRecord {
    int32_t ImageWidth;  // also the byte length of one image row: the client width rounded up to a multiple of 4
    int32_t ImageHeight;
    RECT ClientRect;     // the client area itself
    PaletteGeometry Palette;  // PaletteSize, FirstAnimatedIndex, LastAnimatedIndex, AnimatedCount, PaletteDevice
    LOGPALETTE* DisplayPalette;
    LOGPALETTE* FeedPalette;
    HLOCAL DisplayPaletteBlock;
    HLOCAL FeedPaletteBlock;
    HPALETTE PaletteObject;
    HGLOBAL ImageAreaBlock;
    uint8_t* ImageArea;  // null unless locked
    uint8_t* BufferOrigin[4];
    int32_t BufferCount;
    HGLOBAL DisplayHeaderBlock;
    uint8_t* DisplayHeader;
    uint8_t* ShownImage;
    bool SkipFirstPaint;
    uint16_t TimerArmed;
    HANDLE ImageReady;
    int32_t EffectList[3];
    int32_t EffectCount;
    // Image cycle
    int32_t EffectPosition;
    int32_t CurrentEffect;
    uint32_t LastEffectSwitch;
    int32_t BufferIndex;
    bool FirstTransition;
    bool DrawingStopped;  // a drawing was cut short and nothing will restart it
    uint32_t CycleStart;
    uint32_t LastCycleStep;
    uint32_t FeedIndex;
};

extern SaverStateRecord SaverState;
extern std::atomic<bool> AbortRequested;

// Back to the state of a new process (tests start every case here).
void ResetSaverState();

#endif
