// set_cursor X Y: puts the cursor there, in virtual-screen coordinates, as a
// user's move would (Wine warps the X pointer, which crosses monitors where
// XTest input stays on the first one), and prints where it is then.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    SetCursorPos(atoi(argv[1]), atoi(argv[2]));
    POINT at = {0, 0};
    GetCursorPos(&at);
    printf("cursor=%ld,%ld\n", at.x, at.y);
    return 0;
}
