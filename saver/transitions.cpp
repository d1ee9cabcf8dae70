// The worker generates into a buffer of its own, copied into place by the
// window's thread once the transition has waited for it: the two threads
// never write one row of the image area, even where buffers share rows.
#include "transitions.h"

#include "clock.h"
#include "message_loop.h"
#include "message_pump.h"
#include "messages.h"
#include "picture_run.h"
#include "saver_state.h"
#include "transition_buffers.h"

#include "config/settings.h"
#include "synth/plasma.h"

#include <cstring>

TransitionRecord Transition;

namespace {

struct WorkerJobRecord {
    PlasmaRun run;
    int32_t right, bottom;
};

WorkerJobRecord WorkerJob;

intptr_t ImageBytes() { return (intptr_t)SaverState.RowBytes * SaverState.ImageHeight; }

// Hand-edited settings can hold 0 or less; one line or one step is the least that moves.
int32_t MovingLines() { return SaverSettings.MovingSpeed > 0 ? SaverSettings.MovingSpeed : 1; }
int32_t Steps() { return SaverSettings.TransformSteps > 0 ? SaverSettings.TransformSteps : 1; }

// When the next step is due: one display frame after the last, the frames
// counted from a start so that whole seconds hold exactly RefreshRate steps.
// A due time that is not within the coming frame, behind (a generation on
// this thread) or ahead (a chain that starts, whatever the tick count reads,
// also past its wrap), counts afresh from now.
uint32_t NextFrame() {
    const uint32_t now = PacingTime();
    const uint32_t rate = (uint32_t)Transition.RefreshRate;
    const uint32_t frame = 1000u / rate;
    Transition.FrameCount++;
    uint32_t due = Transition.FrameStart + (uint32_t)((uint64_t)Transition.FrameCount * 1000u / rate);
    if (due - now - 1 >= frame + 1) {  // unsigned: true unless now < due <= now + frame + 1
        Transition.FrameStart = now;
        Transition.FrameCount = 1;
        due = now + frame;
    }
    return due;
}

// The worker has no messages of its own; it stops only when the window goes.
const PlasmaHost kWorkerHost = {nullptr, nullptr, [](void*) { return StopWorker.load(); }, nullptr};

void RunWorker(void* job) {
    const WorkerJobRecord& j = *static_cast<WorkerJobRecord*>(job);
    GeneratePlasma(j.run, 0, 0, j.right, j.bottom, false);
    SetEvent(SaverState.ImageReady);
}

// Generates into buffer k here, on the window's thread; false when aborted.
bool GenerateHere(HWND window, int32_t k) {
    const PlasmaHost host = WindowThreadHost(window);
    const PlasmaRun run = PictureRun(SaverState.BufferOrigin[k], &host);
    GeneratePlasma(run, 0, 0, SaverState.ImageWidth - 1, SaverState.ImageHeight - 1, false);
    return !AbortRequested;
}

enum class Where { Here, Worker };

bool PrepareBuffer(HWND window, int32_t k, Where where) {
    PrepareImageRows(SaverState.BufferOrigin, k, SaverState.RowBytes, SaverState.ImageHeight,
                     (uint8_t)SaverState.Palette.FirstAnimatedIndex);
    if (where == Where::Here || !Transition.WorkerBuffer) return GenerateHere(window, k);
    memcpy(Transition.WorkerBuffer, SaverState.BufferOrigin[k], (size_t)ImageBytes());
    WorkerJob = {PictureRun(Transition.WorkerBuffer, &kWorkerHost), SaverState.ImageWidth - 1, SaverState.ImageHeight - 1};
    StopWorker = false;
    if (_beginthread(RunWorker, 0, &WorkerJob) == (uintptr_t)-1) {
        // No worker: the picture is made here, and nobody is waited for.
        GenerateHere(window, k);
        return true;
    }
    Transition.WorkerTarget = k;
    return true;
}

// The worker's picture, once it is finished, goes into its buffer.
void WaitForWorker() {
    if (Transition.WorkerTarget < 0) return;
    WaitForSingleObject(SaverState.ImageReady, INFINITE);
    if (!StopWorker)
        memcpy(SaverState.BufferOrigin[Transition.WorkerTarget], Transition.WorkerBuffer, (size_t)ImageBytes());
    Transition.WorkerTarget = -1;
}

void EndTransition(HWND window) {
    WaitForWorker();
    PostMessageA(window, EffectDue() ? SSM_NEWIMAGE : SSM_NEXTTRANSITION, 0, 0);
}

void DrawWithPalette(HWND window, int32_t y, int32_t lines, const uint8_t* bits) {
    HDC dc = GetDC(window);
    if (SaverState.PaletteObject) {
        SelectPalette(dc, SaverState.PaletteObject, FALSE);
        RealizePalette(dc);
    }
    SetDIBitsToDevice(dc, 0, y, (DWORD)SaverState.ImageWidth, (DWORD)lines, 0, 0, 0, (UINT)lines, bits,
                      reinterpret_cast<const BITMAPINFO*>(SaverState.DisplayHeader),
                      SaverState.Palette.PaletteDevice ? DIB_PAL_COLORS : DIB_RGB_COLORS);
    ReleaseDC(window, dc);
}

}  // namespace

void NextTransition(HWND window) {
    if (BufferRotation.FirstTransition) {
        BufferRotation.FirstTransition = false;
        BufferRotation.BufferIndex = PreviousBuffer(BufferRotation.BufferIndex);
        if (!PrepareBuffer(window, BufferRotation.BufferIndex, Where::Here)) {
            // Undone, so that going on after a refused close makes this target again.
            BufferRotation.FirstTransition = true;
            BufferRotation.BufferIndex = (BufferRotation.BufferIndex + 1) % 3;
            NoteStopped(SSM_NEXTTRANSITION, 0, 0);
            return;
        }
    }
    PrepareBuffer(window, PreviousBuffer(BufferRotation.BufferIndex), Where::Worker);
    const int32_t t = BufferRotation.BufferIndex;
    if (EffectSchedule.CurrentEffect == kEffectMoving)
        PostMessageAt(window, SSM_MOVESTEP, 0, t, NextFrame());
    else
        PostMessageAt(window, SSM_TRANSFORMSTEP, 0, (t + 1) % 3, NextFrame());
    Transition.TransformStep = 0;
    Transition.ScrollPosition = SaverState.BufferOrigin[t + 1] - SaverState.ImageArea;
    SaverState.ShownImage = SaverState.BufferOrigin[t];
    BufferRotation.BufferIndex = PreviousBuffer(t);
}

void MoveStep(HWND window, LPARAM target) {
    PumpMessages();
    if (AbortRequested) {
        NoteStopped(SSM_MOVESTEP, 0, target);
        return;
    }
    const int32_t row = SaverState.RowBytes;
    const intptr_t shown = SaverState.ShownImage - SaverState.ImageArea;
    int32_t lines = MovingLines();
    intptr_t position = Transition.ScrollPosition - (intptr_t)lines * row;
    if (position < shown) {  // the last step lands exactly on the target
        lines -= (int32_t)((shown - position) / row);
        position = shown;
    }
    Transition.ScrollPosition = position;
    const int32_t height = SaverState.ImageHeight;
    ScrollWindow(window, 0, -lines, nullptr, nullptr);
    PAINTSTRUCT paint;  // the uncovered strip is drawn below, not by a paint
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    DrawWithPalette(window, height - lines, lines, SaverState.ImageArea + position);
    if (position > shown)
        PostMessageAt(window, SSM_MOVESTEP, 0, target, NextFrame());
    else
        EndTransition(window);
}

void TransformStep(HWND window, LPARAM source) {
    PumpMessages();
    if (AbortRequested) {
        NoteStopped(SSM_TRANSFORMSTEP, 0, source);
        return;
    }
    uint8_t* changed = SaverState.BufferOrigin[source];
    BlendStep(changed, SaverState.ShownImage, Steps() - Transition.TransformStep, ImageBytes());
    Transition.TransformStep++;
    DrawWithPalette(window, 0, SaverState.ImageHeight, changed);
    if (Transition.TransformStep < Steps())
        PostMessageAt(window, SSM_TRANSFORMSTEP, 0, source, NextFrame());
    else
        EndTransition(window);
}

void MakeWorkerBuffer() {
    if (SaverState.BufferCount != 3) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)ImageBytes());
    void* buffer = block ? GlobalLock(block) : nullptr;
    if (!buffer) {  // the pictures are then made on the window's thread
        if (block) GlobalFree(block);
        return;
    }
    Transition.WorkerBufferBlock = block;
    Transition.WorkerBuffer = static_cast<uint8_t*>(buffer);
}

void DiscardWorker() {
    if (Transition.WorkerTarget < 0) return;
    WaitForSingleObject(SaverState.ImageReady, INFINITE);
    Transition.WorkerTarget = -1;
}

void EndWorker() {
    if (Transition.WorkerTarget >= 0) {
        StopWorker = true;
        WaitForWorker();
    }
    if (Transition.WorkerBufferBlock) {
        GlobalUnlock(Transition.WorkerBufferBlock);
        GlobalFree(Transition.WorkerBufferBlock);
    }
    Transition.WorkerBufferBlock = nullptr;
    Transition.WorkerBuffer = nullptr;
}
