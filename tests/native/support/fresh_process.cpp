#include "fresh_process.h"

#include "config/module_instance.h"
#include "config/settings.h"
#include "saver/host_state.h"
#include "saver/message_loop.h"
#include "saver/saver_state.h"
#include "saver/transitions.h"
#include "synth/palette.h"
#include "synth/random.h"

void StartFreshProcess(native_platform::DisplayKind kind, int width, int height) {
    EndWorker();  // a worker of the last saver would outlive what it writes into
    native_platform::Reset(kind, width, height);
    UseDefaultSettings();
    SettingsSection[0] = SettingsFile[0] = SettingsPath[0] = '\0';
    SettingsFilePlace = SettingsPlace::Found;
    ModuleInstance = nullptr;
    PaletteChooser = PaletteChooserRecord{};
    SaverState = SaverStateRecord{};
    AbortRequested = false;
    StopWorker = false;
    Host = HostStateRecord{};
    PacedMessage = PacedMessageRecord{};
    SeedRandom(1);  // a thread's generator starts at 1
}
