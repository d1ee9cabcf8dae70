// The screen-saver host: modes, the saver window, input that ends the saver,
// the password check. It knows nothing of pictures.
#include "host.h"

#include "command_line.h"
#include "host_state.h"
#include "message_loop.h"
#include "messages.h"

#include "config/configure_dialog.h"
#include "config/module_instance.h"
#include "resource_ids.h"

#include <cstdlib>

HostStateRecord Host;

namespace {

typedef DWORD(WINAPI* ChangePasswordProc)(LPCSTR, HWND, DWORD, LPVOID);

constexpr char kClassName[] = "WindowsScreenSaverClass";
constexpr char kFullScreenTitle[] = "Screen Saver";
constexpr char kPreviewTitle[] = "Preview";
constexpr int kMouseThreshold = 4;
constexpr DWORD kRecheckDelay = 200;  // ms after a password check during which a close is refused
void HideCursor() { SetCursor(nullptr); }

void RecordCursor() { GetCursorPos(&Host.Cursor); }

void PasswordTeardown() {
    if (Host.VerifierLibrary) FreeLibrary(Host.VerifierLibrary);
    Host.VerifierLibrary = nullptr;
    if (Host.Verify) {
        Host.Verify = nullptr;
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    }
}

void PasswordSetup() {
    PasswordTeardown();
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD value = 0, size = sizeof value;
    LONG read = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || value == 0) return;
    Host.VerifierLibrary = LoadLibraryA("PASSWORD.CPL");
    if (!Host.VerifierLibrary) return;
    Host.Verify = reinterpret_cast<VerifyPasswordProc>(
        reinterpret_cast<void*>(GetProcAddress(Host.VerifierLibrary, "VerifyScreenSavePwd")));
    if (Host.Verify) {
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, nullptr, 0);
    } else {
        FreeLibrary(Host.VerifierLibrary);
        Host.VerifierLibrary = nullptr;
    }
}

// Whether a close request may go ahead.
bool ClosePermitted(HWND window) {
    if (Host.Checking || Host.Closing) return false;
    if (!Host.Verify) {
        Host.Closing = true;
        return true;
    }
    if (Host.CheckedBefore && GetTickCount() - Host.LastCheckEnd < kRecheckDelay) return false;
    Host.Checking = true;
    MSG pending;
    for (int i = 0; i < 2; i++) PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    Host.Closing = SendMessageA(window, SSM_VERIFYPASSWORD, 0, 0) != 0;
    Host.Checking = false;
    if (!Host.Closing) HideCursor();
    Host.CheckedBefore = true;
    Host.LastCheckEnd = GetTickCount();
    return Host.Closing;
}

ATOM RegisterSaverClass(HINSTANCE instance) {
    WNDCLASSA saver_class = {};
    saver_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    saver_class.lpfnWndProc = ScreenSaverHostProc;
    saver_class.hInstance = instance;
    saver_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVER));
    saver_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saver_class.lpszClassName = kClassName;
    return RegisterClassA(&saver_class);
}

}  // namespace

HWND OpenSaverWindow(HINSTANCE instance, HWND parent, WNDPROC saver_procedure) {
    Host.SaverProcedure = saver_procedure;
    Host.Preview = parent != nullptr;
    // A second window of the process finds the class made by the first.
    if (!RegisterSaverClass(instance) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    // Full screen covers every monitor: the virtual screen, which starts left
    // of or above the primary monitor when another monitor lies there.
    if (!parent)
        return CreateWindowExA(WS_EX_TOPMOST, kClassName, kFullScreenTitle,
                               WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                               GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                               GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr,
                               nullptr, instance, nullptr);
    RECT client;
    GetClientRect(parent, &client);
    return CreateWindowExA(0, kClassName, kPreviewTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                           client.bottom, parent, nullptr, instance, nullptr);
}

HWND StartFullScreen(HINSTANCE instance, WNDPROC saver_procedure, bool& already_running) {
    already_running = false;
    if (HWND running = FindWindowA(kClassName, kFullScreenTitle)) {
        SetForegroundWindow(running);
        already_running = true;
        return nullptr;
    }
    PasswordSetup();
    HWND window = OpenSaverWindow(instance, nullptr, saver_procedure);
    if (window) SetForegroundWindow(window);
    return window;
}

void EndFullScreen() { PasswordTeardown(); }

namespace {

int RunFullScreen(HINSTANCE instance, WNDPROC saver_procedure) {
    bool already_running;
    HWND window = StartFullScreen(instance, saver_procedure, already_running);
    if (already_running) return 0;
    int result = window ? RunMessageLoop() : kExitWindowFailed;
    EndFullScreen();
    return result;
}

int RunPreview(HINSTANCE instance, HWND parent, WNDPROC saver_procedure) {
    return OpenSaverWindow(instance, parent, saver_procedure) ? RunMessageLoop() : kExitWindowFailed;
}

void ChangePassword(HWND owner) {
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (!library) return;
    auto change = reinterpret_cast<ChangePasswordProc>(
        reinterpret_cast<void*>(GetProcAddress(library, "PwdChangePasswordA")));
    if (change) change("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(library);
}

HWND WindowFromHandle(uintptr_t handle) {
    HWND window = reinterpret_cast<HWND>(handle);
    return handle != 0 && IsWindow(window) ? window : nullptr;
}

}  // namespace

LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (Host.Preview || Host.Closing) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
        case WM_CLOSE:
            if (!ClosePermitted(window)) {
                RecordCursor();
                return 0;
            }
            break;
        case SSM_VERIFYPASSWORD:
            return Host.Verify ? Host.Verify(window) : 1;
        default:
            break;
    }
    if (Host.Checking) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
        case WM_SETCURSOR:
            HideCursor();
            return 1;
        case WM_SHOWWINDOW:
            if (wparam) HideCursor();
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            PostMessageA(window, WM_CLOSE, 0, 0);
            break;
        case WM_MOUSEMOVE: {
            POINT now;
            GetCursorPos(&now);
            // Small moves add up against the recorded position.
            if (std::abs(now.x - Host.Cursor.x) + std::abs(now.y - Host.Cursor.y) > kMouseThreshold) {
                PostMessageA(window, WM_CLOSE, 0, 0);
                Host.Cursor = now;
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK ScreenSaverHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool full_screen = !Host.Preview;
    switch (message) {
        case WM_CREATE: {
            HMODULE imm = GetModuleHandleA("IMM32.DLL");
            Host.Associate = imm ? reinterpret_cast<AssociateContextProc>(
                                       reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")))
                                 : nullptr;
            if (Host.Associate) Host.DetachedContext = Host.Associate(window, nullptr);
            RecordCursor();
            if (full_screen) HideCursor();
            break;
        }
        case WM_DESTROY:
            if (Host.Associate && Host.DetachedContext) Host.Associate(window, Host.DetachedContext);
            PostQuitMessage(0);
            break;
        case WM_SETTEXT:
            return 0;
        case WM_PAINT:
            if (Host.Closing) return DefWindowProcA(window, message, wparam, lparam);
            if (full_screen) HideCursor();
            break;
        case WM_HELP:
        case WM_CONTEXTMENU:
            if (Host.Preview) {
                HWND parent = GetParent(window);
                if (parent && IsWindow(parent))
                    PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lparam);
                return 1;
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (Host.Closing) return DefWindowProcA(window, message, wparam, lparam);
            break;
        case WM_SYSCOMMAND:
            if (full_screen && (wparam == SC_NEXTWINDOW || wparam == SC_PREVWINDOW || wparam == SC_SCREENSAVE))
                return 0;
            break;
        case WM_TIMER:
            if (Host.Closing) return 0;
            Sleep(0);
            break;
        default:
            break;
    }
    return Host.SaverProcedure ? Host.SaverProcedure(window, message, wparam, lparam)
                                : DefWindowProcA(window, message, wparam, lparam);
}

int RunSaver(HINSTANCE instance, const char* command_line, WNDPROC saver_procedure) {
    ModuleInstance = instance;
    const SaverCommand command = ParseSaverCommand(command_line);
    switch (command.mode) {
        case SaverMode::Configure:
        case SaverMode::ConfigureOwned: {
            if (!ScreenSaverPrepareDialog(instance)) return 0;
            HWND owner = command.mode == SaverMode::ConfigureOwned ? GetForegroundWindow() : nullptr;
            return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIGURE), owner, ScreenSaverConfigureDialog, 0);
        }
        case SaverMode::FullScreen:
            return RunFullScreen(instance, saver_procedure);
        case SaverMode::Preview: {
            HWND parent = WindowFromHandle(command.window);
            return parent ? RunPreview(instance, parent, saver_procedure) : -1;
        }
        case SaverMode::ChangePassword: {
            HWND owner = WindowFromHandle(command.window);
            ChangePassword(owner ? owner : GetForegroundWindow());
            return 0;
        }
        case SaverMode::None:
        default:
            return -1;
    }
}
