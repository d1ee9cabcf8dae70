// Which picture, palette, moving chain and rotation come next: the picture
// sequence of a saver, free of messages. The saver's handlers drive it through
// their messages and timers (image_cycle, transitions, color_cycle);
// velmora-render drives it directly, the worker's part too, with the same
// random sources, so both make the same pictures.
#ifndef VELMORA_PICTURE_SEQUENCE_H
#define VELMORA_PICTURE_SEQUENCE_H

#include "synth/palette.h"
#include "synth/plasma.h"

#include <cstdint>

struct SaverRecord;

// The effects this run shows: the settings' own, less those switched off for
// the run (no memory for three buffers, no feed palette, the small preview).
struct EffectSwitchesRecord {
    uint8_t MovingClouds = 0;
    uint8_t PsychedelicColors = 0;
    uint8_t TransformingClouds = 0;
    uint8_t ContColorChange = 0;
};

// Which effect runs, which comes next, since when (SSM_IMAGEDONE switches).
struct EffectScheduleRecord {
    int32_t EffectPosition = 0;
    int32_t CurrentEffect = 0;
    uint32_t LastEffectSwitch = 0;  // tick count
};

// The rotating buffer number: a new picture starts it, the transitions turn it.
struct BufferRotationRecord {
    int32_t BufferIndex = 0;
    bool FirstTransition = false;  // the first transition after a new picture makes its own target
};

// The worker's arguments and its own random source (the worker thread's): the
// run of the generator over the picture it makes.
struct WorkerJobRecord {
    PlasmaRun Run = {};
    int32_t Right = 0, Bottom = 0;
    RandomSource Random;
    PlasmaHost Host = {};  // how the worker learns it is to stop
};

// The run starts from the settings just loaded: its effects, its palette chooser.
void StartPictureSequence(SaverRecord& saver);

// The buffers' starts in an image area of count buffers (1 or 3), stacked
// (sharing one row between neighbours) when moving is on.
void LayOutImageArea(SaverRecord& saver, uint8_t* area, int32_t count);

bool TransitionsEnabled(const SaverRecord& saver);

// The user's settings with this run's effect switches: what the chooser and
// the builder read.
SaverSettingsRecord SettingsInForce(const SaverRecord& saver);

// Every byte from first to last (inclusive) becomes FirstAnimatedIndex, the
// mark of a cell the generator has not computed yet.
void FillImage(const SaverRecord& saver, uint8_t* first, uint8_t* last);

// A new picture (SSM_NEWIMAGE): the rotation starts over and every buffer in
// use is cleared. Returns the buffer the picture is drawn into.
int32_t BeginPicture(SaverRecord& saver);

// SSM_CHOOSEPALETTE: granularity, palette and channel scales of the next picture.
void ChooseNextPalette(SaverRecord& saver);

// The palette of the chosen slot into palette (PaletteSize entries).
void BuildPictureColors(SaverRecord& saver, PaletteEntryBytes* palette, bool wrap);

// Colour mode: the display palette into the display header's colour table.
void CopyColorTable(SaverRecord& saver);

// A run of the generator over a whole picture in buffer, with this picture's
// granularity and symmetry, at this calendar time, on the window's random source.
PlasmaRun PictureRun(SaverRecord& saver, uint8_t* buffer, const PlasmaHost* host, uint32_t calendar_time);

// SSM_NEXTTRANSITION's first steps: the target of the transition that starts.
// The first transition after a new picture makes its target itself
// (make_target set): its rows are prepared here, and the caller generates it.
int32_t BeginTransition(SaverRecord& saver, bool& make_target);
// A first transition whose target was not finished (an abort): as before it began.
void UndoTransitionStart(SaverRecord& saver);
// The buffer the next picture goes to, prepared: every row but the top one
// cleared, and buffer 2's top row continuing buffer 0's bottom row.
void PrepareNextBuffer(SaverRecord& saver, int32_t k);
// The worker's job for buffer k, at this calendar time: into the worker's own
// buffer when there is one (copied in by PlaceWorkerPicture), else into k.
// host (copied; null: none) tells the worker when to stop.
void MakeWorkerJob(SaverRecord& saver, int32_t k, uint32_t calendar_time, const PlasmaHost* host);
// The worker's part: generates the job's picture (on the worker's thread, or
// directly when there is none).
void RunWorkerJob(WorkerJobRecord& job);
// The worker's finished picture goes into its buffer.
void PlaceWorkerPicture(SaverRecord& saver);
// The transition to target t is under way: what it shows, where it starts.
void EnterTransition(SaverRecord& saver, int32_t t);

// SSM_IMAGEDONE: the next enabled effect takes over if its time has come.
bool EffectDue(const SaverRecord& saver);
void SwitchEffectIfDue(SaverRecord& saver);

// One colour rotation of the shown picture, in the mode of the display; a
// new feed palette is chosen with choose, as the caller runs the chooser.
void RotateColors(SaverRecord& saver, void (*choose)(SaverRecord& saver));

#endif
