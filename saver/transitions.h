// Moving and transforming transitions: pictures scroll into one another or
// fade into the next, one step per display frame, while a worker thread
// prepares the picture after.
#ifndef VELMORA_TRANSITIONS_H
#define VELMORA_TRANSITIONS_H

#include "platform/win32.h"

#include <cstdint>

struct SaverRecord;

struct TransitionRecord {
    intptr_t ScrollPosition = 0;  // moving: bytes from ImageArea to the row at the window's bottom
    int32_t TransformStep = 0;    // transforming: steps done so far
    int32_t RefreshRate = 60;     // of the display, in Hz: steps come one frame apart
    uint32_t FrameStart = 0;      // tick count the step frames are counted from
    uint32_t FrameCount = 0;
    HGLOBAL WorkerBufferBlock = nullptr;
    uint8_t* WorkerBuffer = nullptr;  // the worker's own image, copied in after the transition
    int32_t WorkerTarget = -1;        // buffer the running worker's image goes to; -1: no worker runs
};

// SSM_NEXTTRANSITION, SSM_MOVESTEP, SSM_TRANSFORMSTEP.
void NextTransition(SaverRecord& saver);
void MoveStep(SaverRecord& saver, LPARAM target);
void TransformStep(SaverRecord& saver, LPARAM source);

// Creation and destruction: the worker's own buffer; a running worker is
// stopped and waited for before anything it could touch is released.
void MakeWorkerBuffer(SaverRecord& saver);
void EndWorker(SaverRecord& saver);

// A new picture starts: a worker left by a chain that was cut short has its
// picture thrown away once it has finished.
void DiscardWorker(SaverRecord& saver);

#endif
