// The worker generates into a buffer of its own, copied into place by the
// window's thread once the transition has waited for it: the two threads
// never write one row of the image area, even where buffers share rows.
#include "transitions.h"

#include "clock.h"
#include "image_cycle.h"
#include "message_loop.h"
#include "message_pump.h"
#include "messages.h"
#include "saver_record.h"
#include "transition_buffers.h"

#include "synth/plasma.h"

#include <cstring>

namespace {

intptr_t ImageBytes(const SaverStateRecord& state) { return (intptr_t)state.RowBytes * state.ImageHeight; }

// Hand-edited settings can hold 0 or less; one line or one step is the least that moves.
int32_t MovingLines(const SaverRecord& saver) {
    const int32_t speed = saver.Settings.SaverSettings.MovingSpeed;
    return speed > 0 ? speed : 1;
}
int32_t Steps(const SaverRecord& saver) {
    const int32_t steps = saver.Settings.SaverSettings.TransformSteps;
    return steps > 0 ? steps : 1;
}

// When the next step is due: one display frame after the last, the frames
// counted from a start so that whole seconds hold exactly RefreshRate steps.
// A due time that is not within the coming frame, behind (a generation on
// this thread) or ahead (a chain that starts, whatever the tick count reads,
// also past its wrap), counts afresh from now.
uint32_t NextFrame(TransitionRecord& transition) {
    const uint32_t now = PacingTime();
    const uint32_t rate = (uint32_t)transition.RefreshRate;
    const uint32_t frame = 1000u / rate;
    transition.FrameCount++;
    uint32_t due = transition.FrameStart + (uint32_t)((uint64_t)transition.FrameCount * 1000u / rate);
    if (due - now - 1 >= frame + 1) {  // unsigned: true unless now < due <= now + frame + 1
        transition.FrameStart = now;
        transition.FrameCount = 1;
        due = now + frame;
    }
    return due;
}

// The worker has no messages of its own; it stops only when the window goes.
bool WorkerStopped(void* saver) { return static_cast<SaverRecord*>(saver)->StopWorker.load(); }

void RunWorker(void* saver) {
    SaverRecord& s = *static_cast<SaverRecord*>(saver);
    RunWorkerJob(s.WorkerJob);
    SetEvent(s.SaverState.ImageReady);
}

// Generates into buffer k here, on the window's thread; false when aborted.
bool GenerateHere(SaverRecord& saver, int32_t k) {
    const PlasmaHost host = WindowThreadHost(saver);
    const SaverStateRecord& state = saver.SaverState;
    GeneratePlasma(PictureRun(saver, state.BufferOrigin[k], &host, CalendarSeconds()), 0, 0, state.ImageWidth - 1,
                   state.ImageHeight - 1, false);
    return !saver.AbortRequested;
}

// The picture after the coming one, on a worker thread meanwhile: into the
// worker's own buffer, or here when there is none or no thread can start.
void StartWorker(SaverRecord& saver, int32_t k) {
    PrepareNextBuffer(saver, k);
    if (!saver.Transition.WorkerBuffer) {
        GenerateHere(saver, k);
        return;
    }
    const PlasmaHost worker_host = {&saver, nullptr, WorkerStopped, nullptr};
    MakeWorkerJob(saver, k, CalendarSeconds(), &worker_host);
    saver.StopWorker = false;
    if (_beginthread(RunWorker, 0, &saver) == (uintptr_t)-1) {
        // No worker: the picture is made here, and nobody is waited for.
        saver.Transition.WorkerTarget = -1;
        GenerateHere(saver, k);
    }
}

// The worker's picture, once it is finished, goes into its buffer.
void WaitForWorker(SaverRecord& saver) {
    if (saver.Transition.WorkerTarget < 0) return;
    WaitForSingleObject(saver.SaverState.ImageReady, INFINITE);
    PlaceWorkerPicture(saver);
}

void EndTransition(SaverRecord& saver) {
    WaitForWorker(saver);
    PostMessageA(saver.Window, EffectDue(saver) ? SSM_NEWIMAGE : SSM_NEXTTRANSITION, 0, 0);
}

void DrawWithPalette(SaverRecord& saver, int32_t y, int32_t lines, const uint8_t* bits) {
    const SaverStateRecord& state = saver.SaverState;
    HDC dc = GetDC(saver.Window);
    if (state.PaletteObject) {
        SelectPalette(dc, state.PaletteObject, FALSE);
        RealizePalette(dc);
    }
    SetDIBitsToDevice(dc, 0, y, (DWORD)state.ImageWidth, (DWORD)lines, 0, 0, 0, (UINT)lines, bits,
                      reinterpret_cast<const BITMAPINFO*>(state.DisplayHeader),
                      state.Palette.PaletteDevice ? DIB_PAL_COLORS : DIB_RGB_COLORS);
    ReleaseDC(saver.Window, dc);
}

}  // namespace

void NextTransition(SaverRecord& saver) {
    bool make_target = false;
    const int32_t t = BeginTransition(saver, make_target);
    if (make_target && !GenerateHere(saver, t)) {
        // Undone, so that going on after a refused close makes this target again.
        UndoTransitionStart(saver);
        NoteStopped(saver, SSM_NEXTTRANSITION, 0, 0);
        return;
    }
    StartWorker(saver, PreviousBuffer(t));
    const uint32_t due = NextFrame(saver.Transition);
    if (saver.EffectSchedule.CurrentEffect == kEffectMoving)
        PostMessageAt(saver.PacedMessage, saver.Window, SSM_MOVESTEP, 0, t, due);
    else
        PostMessageAt(saver.PacedMessage, saver.Window, SSM_TRANSFORMSTEP, 0, (t + 1) % 3, due);
    EnterTransition(saver, t);
}

void MoveStep(SaverRecord& saver, LPARAM target) {
    PumpMessages(saver);
    if (saver.AbortRequested) {
        NoteStopped(saver, SSM_MOVESTEP, 0, target);
        return;
    }
    SaverStateRecord& state = saver.SaverState;
    const int32_t row = state.RowBytes;
    const intptr_t shown = state.ShownImage - state.ImageArea;
    int32_t lines = MovingLines(saver);
    intptr_t position = saver.Transition.ScrollPosition - (intptr_t)lines * row;
    if (position < shown) {  // the last step lands exactly on the target
        lines -= (int32_t)((shown - position) / row);
        position = shown;
    }
    saver.Transition.ScrollPosition = position;
    const int32_t height = state.ImageHeight;
    ScrollWindow(saver.Window, 0, -lines, nullptr, nullptr);
    PAINTSTRUCT paint;  // the uncovered strip is drawn below, not by a paint
    BeginPaint(saver.Window, &paint);
    EndPaint(saver.Window, &paint);
    DrawWithPalette(saver, height - lines, lines, state.ImageArea + position);
    if (position > shown)
        PostMessageAt(saver.PacedMessage, saver.Window, SSM_MOVESTEP, 0, target, NextFrame(saver.Transition));
    else
        EndTransition(saver);
}

void TransformStep(SaverRecord& saver, LPARAM source) {
    PumpMessages(saver);
    if (saver.AbortRequested) {
        NoteStopped(saver, SSM_TRANSFORMSTEP, 0, source);
        return;
    }
    SaverStateRecord& state = saver.SaverState;
    TransitionRecord& transition = saver.Transition;
    uint8_t* changed = state.BufferOrigin[source];
    BlendStep(changed, state.ShownImage, Steps(saver) - transition.TransformStep, ImageBytes(state));
    transition.TransformStep++;
    DrawWithPalette(saver, 0, state.ImageHeight, changed);
    if (transition.TransformStep < Steps(saver))
        PostMessageAt(saver.PacedMessage, saver.Window, SSM_TRANSFORMSTEP, 0, source, NextFrame(transition));
    else
        EndTransition(saver);
}

void MakeWorkerBuffer(SaverRecord& saver) {
    if (saver.SaverState.BufferCount != 3) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)ImageBytes(saver.SaverState));
    void* buffer = block ? GlobalLock(block) : nullptr;
    if (!buffer) {  // the pictures are then made on the window's thread
        if (block) GlobalFree(block);
        return;
    }
    saver.Transition.WorkerBufferBlock = block;
    saver.Transition.WorkerBuffer = static_cast<uint8_t*>(buffer);
}

void DiscardWorker(SaverRecord& saver) {
    if (saver.Transition.WorkerTarget < 0) return;
    WaitForSingleObject(saver.SaverState.ImageReady, INFINITE);
    saver.Transition.WorkerTarget = -1;
}

void EndWorker(SaverRecord& saver) {
    TransitionRecord& transition = saver.Transition;
    if (transition.WorkerTarget >= 0) {
        saver.StopWorker = true;
        WaitForWorker(saver);
    }
    if (transition.WorkerBufferBlock) {
        GlobalUnlock(transition.WorkerBufferBlock);
        GlobalFree(transition.WorkerBufferBlock);
    }
    transition.WorkerBufferBlock = nullptr;
    transition.WorkerBuffer = nullptr;
}
