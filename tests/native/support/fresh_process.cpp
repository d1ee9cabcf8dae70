#include "fresh_process.h"

#include "saver/start_values.h"

void StartFreshProcess(native_platform::DisplayKind kind, int width, int height) {
    ReturnToStartValues();  // ends the last saver's worker before the platform forgets it
    native_platform::Reset(kind, width, height);
    native_platform::RecordMessages(true);  // the tests read what was delivered
}
