// One saver: everything one saver window needs, in one plain record. It is
// made when the window is made, found from the window (its user data), handed
// to every handler and to the worker, and goes with the window. Nothing of
// one saver is shared with another, so several may run side by side.
#ifndef VELMORA_SAVER_RECORD_H
#define VELMORA_SAVER_RECORD_H

#include "color_cycle.h"
#include "host_state.h"
#include "message_loop.h"
#include "picture_sequence.h"
#include "saver_state.h"
#include "transitions.h"

#include "config/settings.h"
#include "synth/palette.h"
#include "synth/random.h"

#include <atomic>

struct SaverRecord {
    HWND Window = nullptr;
    SettingsSource Source;              // where its settings come from
    SettingsRecord Settings;            // the user's, as loaded at creation: read only
    SettingsPlaceRecord SettingsPlace;  // where they live
    EffectSwitchesRecord Effects;       // what this run shows
    PaletteChooserRecord PaletteChooser;
    RandomSource Random;  // the window's thread's: seeded at creation, reseeded by every picture
    SaverStateRecord SaverState;
    StoppedWorkRecord StoppedWork;
    EffectScheduleRecord EffectSchedule;
    BufferRotationRecord BufferRotation;
    TransitionRecord Transition;
    WorkerJobRecord WorkerJob;  // with the worker's own random source
    ColorCycleRecord ColorCycle;
    PacedMessageRecord PacedMessage;
    HostStateRecord Host;
    std::atomic<bool> AbortRequested{false};  // written by the window's thread, read by the worker
    std::atomic<bool> StopWorker{false};      // set when the window goes: the worker ends at its next check point
};

// The record of a saver window; null for any other window, or one that is gone.
inline SaverRecord* SaverOf(HWND window) {
    return reinterpret_cast<SaverRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// Records the piece of work that has just stopped, and what goes on with it.
inline void NoteStopped(SaverRecord& saver, UINT message, WPARAM wparam, LPARAM lparam) {
    saver.StoppedWork = {message, wparam, lparam};
}

#endif
