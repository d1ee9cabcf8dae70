#include "start_values.h"

#include "color_cycle.h"
#include "host_state.h"
#include "message_loop.h"
#include "picture_run.h"
#include "saver_state.h"
#include "transitions.h"

#include "config/module_instance.h"
#include "config/settings.h"
#include "synth/palette.h"
#include "synth/random.h"

void ReturnToStartValues() {
    EndWorker();
    ReturnStoreToStart();
    ModuleInstance = nullptr;
    PaletteChooser = PaletteChooserRecord{};
    SaverState = SaverStateRecord{};
    StoppedWork = StoppedWorkRecord{};
    EffectSchedule = EffectScheduleRecord{};
    BufferRotation = BufferRotationRecord{};
    Transition = TransitionRecord{};
    ColorCycle = ColorCycleRecord{};
    AbortRequested = false;
    StopWorker = false;
    Host = HostStateRecord{};
    PacedMessage = PacedMessageRecord{};
    GiveBackTimerResolution();
    SeedRandom(1);  // a thread's generator starts at 1
}
