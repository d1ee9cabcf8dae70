// Prints whether the system believes a screen saver runs ("running=1" or
// "running=0"), as SystemParametersInfo reports it to any process.
#include <windows.h>

#include <cstdio>

int main() {
    BOOL running = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return 2;
    printf("running=%d\n", running ? 1 : 0);
    return 0;
}
