// Moving and transforming transitions: pictures scroll into one another or
// fade into the next, one step per display frame, while a worker thread
// prepares the picture after.
#ifndef VELMORA_TRANSITIONS_H
#define VELMORA_TRANSITIONS_H

#include "platform/win32.h"

// SSM_NEXTTRANSITION, SSM_MOVESTEP, SSM_TRANSFORMSTEP.
void NextTransition(HWND window);
void MoveStep(HWND window, LPARAM target);
void TransformStep(HWND window, LPARAM source);

// Creation and destruction: the worker's own buffer; a running worker is
// stopped and waited for before anything it could touch is released.
void MakeWorkerBuffer();
void EndWorker();

// A new picture starts: a worker left by a chain that was cut short has its
// picture thrown away once it has finished.
void DiscardWorker();

#endif
