// A bare full-screen Win32 window titled "Bare Window" that closes on a key or
// a mouse move of more than 4 pixels, as the saver does: what the time a
// saver takes to go away under Wine is measured against.
#include <windows.h>

#include <cstdlib>

namespace {

POINT start;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_MOUSEMOVE: {
            POINT now;
            GetCursorPos(&now);
            if (std::abs(now.x - start.x) + std::abs(now.y - start.y) > 4) DestroyWindow(window);
            return 0;
        }
        case WM_KEYDOWN:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    GetCursorPos(&start);
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = Procedure;
    window_class.hInstance = instance;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = "BareWindow";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "BareWindow", "Bare Window", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    SetForegroundWindow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
