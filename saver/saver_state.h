// The process-wide state of the saver window. Every field holds its start
// value from the beginning of the process: nothing needs to set it first.
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
    int32_t ImageWidth = 0;  // also the byte length of one image row: the client width rounded up to a multiple of 4
    int32_t ImageHeight = 0;
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
    // Image cycle
    int32_t EffectPosition = 0;
    int32_t CurrentEffect = 0;
    uint32_t LastEffectSwitch = 0;
    int32_t BufferIndex = 0;
    bool FirstTransition = false;
    // Transitions
    intptr_t ScrollPosition = 0;  // moving: bytes from ImageArea to the row at the window's bottom
    int32_t TransformStep = 0;    // transforming: steps done so far
    int32_t RefreshRate = 60;     // of the display, in Hz: steps come one frame apart
    uint32_t FrameStart = 0;      // tick count the step frames are counted from
    uint32_t FrameCount = 0;
    HGLOBAL WorkerBufferBlock = nullptr;
    uint8_t* WorkerBuffer = nullptr;  // the worker's own image, copied in after the transition
    int32_t WorkerTarget = -1;        // buffer the running worker's image goes to; -1: no worker runs
    // Colour cycling
    uint32_t CycleStart = 0;
    uint32_t LastCycleStep = 0;
    uint32_t FeedIndex = 0;
    // A piece of work (drawing, colour cycle, transition) that stopped for a
    // message waiting behind it, and the message that goes on with it; 0: none.
    // A close request the host refuses leaves it to the window core to resume.
    UINT StoppedMessage = 0;
    WPARAM StoppedWParam = 0;
    LPARAM StoppedLParam = 0;
};

extern SaverStateRecord SaverState;
extern std::atomic<bool> AbortRequested;
extern std::atomic<bool> StopWorker;

// Records the piece of work that has just stopped, and what goes on with it.
void NoteStopped(UINT message, WPARAM wparam, LPARAM lparam);  // set when the window goes: the worker ends at its next check point

#endif
