// The entry of the saver module: the saver's modes, and its configuration
// dialog, which only the Windows module has.
#include "host.h"
#include "message_loop.h"
#include "window_core.h"

#include "config/configure_dialog.h"
#include "resource_ids.h"

namespace {

// Whatever escapes the saver, a C++ exception or a structured one such as an
// access violation, must not leave the system believing a saver still runs
// (that state keeps task switching locked). The system then reports a
// structured exception and ends the process as usual.
LONG WINAPI SaverCrashed(EXCEPTION_POINTERS*) {
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    GiveBackEveryTimerResolution();
    return EXCEPTION_CONTINUE_SEARCH;
}

int Configure(HINSTANCE instance, HWND owner) {
    if (!ScreenSaverPrepareDialog(instance)) return 0;
    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIGURE), owner, ScreenSaverConfigureDialog, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    SetUnhandledExceptionFilter(SaverCrashed);
    try {
        return RunSaver(instance, command_line, ScreenSaverProc, Configure);
    } catch (...) {
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
        GiveBackEveryTimerResolution();
        return -1;
    }
}
