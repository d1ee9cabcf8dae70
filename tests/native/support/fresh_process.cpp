#include "fresh_process.h"

void StartFreshProcess(native_platform::DisplayKind kind, int width, int height) {
    native_platform::Reset(kind, width, height);  // windows left by a test go first, each saver with its record
    native_platform::RecordMessages(true);  // the tests read what was delivered
}
