// Plays the display settings for preview mode: makes a parent window, starts
// the saver with "/p HANDLE", checks the "Preview" child and that input does not
// end it, then destroys the parent and waits for the saver to end.
// Prints what it saw; exit code 0 when all held.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

void Pump(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: preview_parent SAVER\n");
        return 2;
    }
    WNDCLASSA parent_class = {};
    parent_class.lpfnWndProc = ParentProc;
    parent_class.hInstance = GetModuleHandleA(nullptr);
    parent_class.lpszClassName = "PreviewParent";
    RegisterClassA(&parent_class);
    // A client area whose width is not a multiple of four.
    RECT outer = {0, 0, 333, 250};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND parent = CreateWindowExA(0, "PreviewParent", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                  parent_class.hInstance, nullptr);
    RECT client;
    GetClientRect(parent, &client);

    char command[600];
    snprintf(command, sizeof command, "\"%s\" /p %llu", argv[1], (unsigned long long)(uintptr_t)parent);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        printf("cannot start %s\n", command);
        return 1;
    }
    HWND preview = nullptr;
    for (int i = 0; i < 100 && !preview; i++) {
        Pump(100);
        preview = FindWindowExA(parent, nullptr, "WindowsScreenSaverClass", "Preview");
    }
    int failures = 0;
    if (!preview) {
        printf("no Preview child appeared\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    RECT inner;
    GetClientRect(preview, &inner);
    printf("parent client %ldx%ld, preview %ldx%ld\n", client.right, client.bottom, inner.right, inner.bottom);
    if (inner.right != client.right || inner.bottom != client.bottom) failures++;

    PostMessageA(preview, WM_KEYDOWN, 'A', 0);
    PostMessageA(preview, WM_LBUTTONDOWN, 0, 0);
    PostMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    Pump(1500);
    if (!IsWindow(preview)) {
        printf("input closed the preview\n");
        failures++;
    } else {
        printf("preview still there after input\n");
    }

    DestroyWindow(parent);
    DWORD waited = WaitForSingleObject(process.hProcess, 15000);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    printf("saver ended: %s, exit code %lu\n", waited == WAIT_OBJECT_0 ? "yes" : "no", code);
    if (waited != WAIT_OBJECT_0 || code != 0) failures++;
    return failures == 0 ? 0 : 1;
}
