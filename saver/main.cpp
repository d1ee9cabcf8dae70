// The entry of the saver module.
#include "host.h"
#include "message_loop.h"
#include "window_core.h"

namespace {

// Whatever escapes the saver, a C++ exception or a structured one such as an
// access violation, must not leave the system believing a saver still runs
// (that state keeps task switching locked). The system then reports a
// structured exception and ends the process as usual.
LONG WINAPI SaverCrashed(EXCEPTION_POINTERS*) {
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    GiveBackTimerResolution();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    SetUnhandledExceptionFilter(SaverCrashed);
    try {
        return RunSaver(instance, command_line, ScreenSaverProc);
    } catch (...) {
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
        GiveBackTimerResolution();
        return -1;
    }
}
