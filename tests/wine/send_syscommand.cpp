// send_syscommand TITLE COMMAND...: sends WM_SYSCOMMAND with each command
// (hexadecimal, as SC_* values are written) to the top-level window titled
// TITLE, and prints what each send returned. Exit code 1 without such a window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HWND window = FindWindowA(nullptr, argv[1]);
    if (!window) {
        printf("no window titled %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; i++) {
        WPARAM command = strtoul(argv[i], nullptr, 16);
        DWORD_PTR result = 0;
        LRESULT sent = SendMessageTimeoutA(window, WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG, 5000, &result);
        printf("%s: %s %lu\n", argv[i], sent ? "returned" : "timed out", (unsigned long)result);
    }
    return 0;
}
