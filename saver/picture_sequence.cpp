#include "picture_sequence.h"

#include "clock.h"
#include "color_rotation.h"
#include "messages.h"
#include "saver_record.h"
#include "transition_buffers.h"

#include <cstring>

namespace {

intptr_t ImageBytes(const SaverStateRecord& state) { return (intptr_t)state.RowBytes * state.ImageHeight; }

// The feed of the colour rotation: the next palette, chosen as the caller
// runs the chooser, then built open (wrap clear).
struct FeedContext {
    SaverRecord* Saver;
    void (*Choose)(SaverRecord& saver);
};

void NextFeedPalette(void* context, PaletteEntryBytes* palette) {
    const FeedContext& feed = *static_cast<FeedContext*>(context);
    feed.Choose(*feed.Saver);
    BuildPictureColors(*feed.Saver, palette, false);
}

}  // namespace

void StartPictureSequence(SaverRecord& saver) {
    const SaverSettingsRecord& s = saver.Settings.SaverSettings;
    saver.Effects = {s.MovingClouds, s.PsychedelicColors, s.TransformingClouds, s.ContColorChange};
    StartPaletteChooser(saver.PaletteChooser, s);
}

void LayOutImageArea(SaverRecord& saver, uint8_t* area, int32_t count) {
    SaverStateRecord& state = saver.SaverState;
    state.BufferCount = count;
    const intptr_t size = ImageBytes(state);
    // Stacked: consecutive buffers share one row, forming one tall picture.
    const intptr_t period = saver.Effects.MovingClouds ? size - state.RowBytes : size;
    for (int k = 0; k < 4; k++) state.BufferOrigin[k] = area + k * period;
}

bool TransitionsEnabled(const SaverRecord& saver) {
    return saver.Effects.MovingClouds || saver.Effects.TransformingClouds;
}

SaverSettingsRecord SettingsInForce(const SaverRecord& saver) {
    SaverSettingsRecord s = saver.Settings.SaverSettings;
    s.MovingClouds = saver.Effects.MovingClouds;
    s.PsychedelicColors = saver.Effects.PsychedelicColors;
    s.TransformingClouds = saver.Effects.TransformingClouds;
    s.ContColorChange = saver.Effects.ContColorChange;
    return s;
}

void FillImage(const SaverRecord& saver, uint8_t* first, uint8_t* last) {
    memset(first, (uint8_t)saver.SaverState.Palette.FirstAnimatedIndex, (size_t)(last - first) + 1);
}

int32_t BeginPicture(SaverRecord& saver) {
    BufferRotationRecord& rotation = saver.BufferRotation;
    const SaverStateRecord& state = saver.SaverState;
    rotation.BufferIndex = TransitionsEnabled(saver) && state.BufferCount == 3 ? 2 : 0;
    rotation.FirstTransition = true;
    // Every buffer in use: in the stacked layout the whole tall picture.
    const int last = rotation.BufferIndex == 2 ? 2 : 0;
    FillImage(saver, state.BufferOrigin[0], state.BufferOrigin[last] + ImageBytes(state) - 1);
    return rotation.BufferIndex;
}

void ChooseNextPalette(SaverRecord& saver) {
    ChoosePalette(saver.PaletteChooser, SettingsInForce(saver), saver.Settings.PaletteTable, saver.SaverState.Palette,
                  saver.Random);
}

void BuildPictureColors(SaverRecord& saver, PaletteEntryBytes* palette, bool wrap) {
    const PaletteChooserRecord& chooser = saver.PaletteChooser;
    BuildPalette(palette, wrap, saver.SaverState.Palette,
                 PaletteSlot(chooser, saver.Settings.PaletteTable, chooser.PaletteIndex), chooser.ChannelScale,
                 saver.Settings.SaverSettings.PsycheExtra, saver.Random);
}

void CopyColorTable(SaverRecord& saver) {
    const SaverStateRecord& state = saver.SaverState;
    RGBQUAD* colors = reinterpret_cast<BITMAPINFO*>(state.DisplayHeader)->bmiColors;
    const PALETTEENTRY* entries = state.DisplayPalette->palPalEntry;
    for (int32_t j = 0; j < state.Palette.PaletteSize; j++)
        colors[j] = {entries[j].peBlue, entries[j].peGreen, entries[j].peRed, 0};
}

PlasmaRun PictureRun(SaverRecord& saver, uint8_t* buffer, const PlasmaHost* host, uint32_t calendar_time) {
    const SaverStateRecord& state = saver.SaverState;
    return PlasmaRun{buffer,
                     state.ImageWidth,
                     state.ImageHeight,
                     state.RowBytes,
                     state.Palette.FirstAnimatedIndex,
                     state.Palette.AnimatedCount,
                     saver.PaletteChooser.Granularity,
                     saver.Settings.SaverSettings.Symmetry,
                     calendar_time,
                     &saver.Random,
                     host};
}

int32_t BeginTransition(SaverRecord& saver, bool& make_target) {
    BufferRotationRecord& rotation = saver.BufferRotation;
    make_target = rotation.FirstTransition;
    if (make_target) {
        rotation.FirstTransition = false;
        rotation.BufferIndex = PreviousBuffer(rotation.BufferIndex);
        PrepareNextBuffer(saver, rotation.BufferIndex);
    }
    return rotation.BufferIndex;
}

void UndoTransitionStart(SaverRecord& saver) {
    saver.BufferRotation.FirstTransition = true;
    saver.BufferRotation.BufferIndex = (saver.BufferRotation.BufferIndex + 1) % 3;
}

void PrepareNextBuffer(SaverRecord& saver, int32_t k) {
    const SaverStateRecord& state = saver.SaverState;
    PrepareImageRows(state.BufferOrigin, k, state.RowBytes, state.ImageHeight,
                     (uint8_t)state.Palette.FirstAnimatedIndex);
}

void MakeWorkerJob(SaverRecord& saver, int32_t k, uint32_t calendar_time, const PlasmaHost* host) {
    const SaverStateRecord& state = saver.SaverState;
    TransitionRecord& transition = saver.Transition;
    uint8_t* into = state.BufferOrigin[k];
    if (transition.WorkerBuffer) {  // its own buffer: the two threads never write one row
        memcpy(transition.WorkerBuffer, into, (size_t)ImageBytes(state));
        into = transition.WorkerBuffer;
    }
    WorkerJobRecord& job = saver.WorkerJob;
    job.Host = host ? *host : PlasmaHost{};
    job.Run = PictureRun(saver, into, host ? &job.Host : nullptr, calendar_time);
    job.Run.Random = &job.Random;
    job.Right = state.ImageWidth - 1;
    job.Bottom = state.ImageHeight - 1;
    transition.WorkerTarget = k;
}

void RunWorkerJob(WorkerJobRecord& job) { GeneratePlasma(job.Run, 0, 0, job.Right, job.Bottom, false); }

void PlaceWorkerPicture(SaverRecord& saver) {
    TransitionRecord& transition = saver.Transition;
    if (transition.WorkerTarget < 0) return;
    if (!saver.StopWorker && transition.WorkerBuffer)
        memcpy(saver.SaverState.BufferOrigin[transition.WorkerTarget], transition.WorkerBuffer,
               (size_t)ImageBytes(saver.SaverState));
    transition.WorkerTarget = -1;
}

void EnterTransition(SaverRecord& saver, int32_t t) {
    SaverStateRecord& state = saver.SaverState;
    saver.Transition.TransformStep = 0;
    saver.Transition.ScrollPosition = state.BufferOrigin[t + 1] - state.ImageArea;
    state.ShownImage = state.BufferOrigin[t];
    saver.BufferRotation.BufferIndex = PreviousBuffer(t);
}

bool EffectDue(const SaverRecord& saver) {
    return saver.SaverState.EffectCount >= 1 &&
           GetTickCount() - saver.EffectSchedule.LastEffectSwitch >=
               SecondsToMilliseconds(saver.Settings.SaverSettings.EffectCycle);
}

void SwitchEffectIfDue(SaverRecord& saver) {
    if (!EffectDue(saver)) return;
    EffectScheduleRecord& schedule = saver.EffectSchedule;
    const SaverStateRecord& state = saver.SaverState;
    schedule.CurrentEffect = state.EffectList[schedule.EffectPosition];
    schedule.EffectPosition = (schedule.EffectPosition + 1) % state.EffectCount;
    schedule.LastEffectSwitch = GetTickCount();
}

void RotateColors(SaverRecord& saver, void (*choose)(SaverRecord& saver)) {
    SaverStateRecord& state = saver.SaverState;
    const PaletteGeometry& g = state.Palette;
    const bool feeding = saver.Effects.ContColorChange && state.FeedPalette;
    FeedContext context = {&saver, choose};
    const ColorFeed feed = {
        feeding ? reinterpret_cast<PaletteEntryBytes*>(state.FeedPalette->palPalEntry) : nullptr,
        &saver.ColorCycle.FeedIndex, NextFeedPalette, &context};
    if (g.PaletteDevice)
        RotatePaletteEntries(reinterpret_cast<PaletteEntryBytes*>(state.DisplayPalette->palPalEntry), g, feed);
    else
        RotateColorTable(state.DisplayHeader + kHeaderFieldsBytes, g, saver.Settings.SaverSettings.PsycheExtra, feed);
}
