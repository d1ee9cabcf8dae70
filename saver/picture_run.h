// What the image cycle and the transitions share: a run of the generator over
// one whole picture, how a run on the window's thread lets the window's
// messages through, and the schedule of the effects.
#ifndef VELMORA_PICTURE_RUN_H
#define VELMORA_PICTURE_RUN_H

#include "platform/win32.h"
#include "synth/plasma.h"

#include <cstdint>

// How a generation on the window's thread lets the window's messages through,
// learns of an abort, and has finished parts of a progressive picture shown.
PlasmaHost WindowThreadHost(HWND window);

// A run of the generator over a whole picture in buffer, with this picture's
// settings and the calendar time now.
PlasmaRun PictureRun(uint8_t* buffer, const PlasmaHost* host);

// Which effect runs, which comes next, since when (SSM_IMAGEDONE switches).
struct EffectScheduleRecord {
    int32_t EffectPosition = 0;
    int32_t CurrentEffect = 0;
    uint32_t LastEffectSwitch = 0;  // tick count
};
extern EffectScheduleRecord EffectSchedule;

// Whether the next enabled effect's turn has come.
bool EffectDue();

// The rotating buffer number: the image cycle starts it at each new picture,
// the transitions turn it.
struct BufferRotationRecord {
    int32_t BufferIndex = 0;
    bool FirstTransition = false;  // the first transition after a new picture makes its own target
};
extern BufferRotationRecord BufferRotation;

#endif
