// install: puts the saver from the medium into the Windows directory.
#include "backdrop.h"
#include "install_dialog.h"
#include "install_messages.h"
#include "install_strings.h"

namespace {

constexpr char kClassName[] = "InstWClass";
constexpr UINT ISM_SHOWDIALOG = 0x1D64;
HINSTANCE Instance;

LRESULT CALLBACK InstallWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            MakeBackdropPalette(window);  // without it the backdrop stays black
            return 0;
        case WM_PAINT:
            PaintBackdrop(window);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) && Backdrop.Dialog) SetFocus(Backdrop.Dialog);
            return 0;
        case ISM_SHOWDIALOG:
            DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_INSTALL), window, InstallDialogProc, 0);
            PostMessageA(window, WM_DESTROY, 0, 0);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    Instance = instance;
    // One installer at a time: the name stands for every running instance.
    HANDLE single = CreateMutexA(nullptr, FALSE, "VelmoraInstaller");
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowInstallString(IDS_ALREADY_RUNNING, MB_OK | MB_ICONHAND | MB_TASKMODAL);
        return 0;
    }
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = InstallWindowProc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, "AppIcon");
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = kClassName;
    if (!RegisterClassA(&window_class)) return 0;
    HWND window = CreateWindowExA(0, kClassName, kInstallCaption, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return 0;
    PostMessageA(window, ISM_SHOWDIALOG, 0, 0);
    ShowWindow(window, show);
    UpdateWindow(window);
    // Waits for messages rather than polling, so the installer uses no processor while it waits.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    ReleaseBackdropPalette();
    CloseHandle(single);
    return 0;
}
