// The entry of the saver module.
#include "host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    try {
        return RunSaver(instance, command_line);
    } catch (...) {
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);  // the saver no longer runs
        return -1;
    }
}
