// The screen-saver host: modes, the saver window, input that ends the saver,
// the password check. It knows nothing of pictures.
#include "host.h"

#include "command_line.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_record.h"

#include "config/module_instance.h"
#include "resource_ids.h"

#include <cstdlib>
#include <memory>

namespace {

typedef DWORD(WINAPI* ChangePasswordProc)(LPCSTR, HWND, DWORD, LPVOID);

constexpr char kClassName[] = "WindowsScreenSaverClass";
constexpr char kFullScreenTitle[] = "Screen Saver";
constexpr char kPreviewTitle[] = "Preview";
constexpr int kMouseThreshold = 4;
constexpr DWORD kRecheckDelay = 200;  // ms after a password check during which a close is refused
void HideCursor() { SetCursor(nullptr); }

void RecordCursor(HostStateRecord& host) { GetCursorPos(&host.Cursor); }

void PasswordTeardown(HostStateRecord& host) {
    if (host.VerifierLibrary) FreeLibrary(host.VerifierLibrary);
    host.VerifierLibrary = nullptr;
    if (host.Verify) {
        host.Verify = nullptr;
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    }
}

void PasswordSetup(HostStateRecord& host) {
    PasswordTeardown(host);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD value = 0, size = sizeof value;
    LONG read = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || value == 0) return;
    host.VerifierLibrary = LoadLibraryA("PASSWORD.CPL");
    if (!host.VerifierLibrary) return;
    host.Verify = reinterpret_cast<VerifyPasswordProc>(
        reinterpret_cast<void*>(GetProcAddress(host.VerifierLibrary, "VerifyScreenSavePwd")));
    if (host.Verify) {
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, nullptr, 0);
    } else {
        FreeLibrary(host.VerifierLibrary);
        host.VerifierLibrary = nullptr;
    }
}

// Whether a close request may go ahead.
bool ClosePermitted(HWND window, HostStateRecord& host) {
    if (host.Checking || host.Closing) return false;
    if (!host.Verify) {
        host.Closing = true;
        return true;
    }
    if (host.CheckedBefore && GetTickCount() - host.LastCheckEnd < kRecheckDelay) return false;
    host.Checking = true;
    MSG pending;
    for (int i = 0; i < 2; i++) PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    host.Closing = SendMessageA(window, SSM_VERIFYPASSWORD, 0, 0) != 0;
    host.Checking = false;
    if (!host.Closing) HideCursor();
    host.CheckedBefore = true;
    host.LastCheckEnd = GetTickCount();
    return host.Closing;
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

// What CreateWindowExA hands the window: its saver's record, which the
// window takes over at WM_CREATE (and frees when it is destroyed).
struct SaverCreation {
    SaverRecord* Saver;
    bool Taken;
};

}  // namespace

HWND OpenSaverWindow(HINSTANCE instance, HWND parent, WNDPROC saver_procedure, const SettingsSource& source) {
    std::unique_ptr<SaverRecord> saver(new SaverRecord);
    saver->Source = source;
    saver->Host.SaverProcedure = saver_procedure;
    saver->Host.Preview = parent != nullptr;
    // A second window of the process finds the class made by the first.
    if (!RegisterSaverClass(instance) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    if (!parent) PasswordSetup(saver->Host);
    SaverCreation creation = {saver.get(), false};
    HWND window;
    // Full screen covers every monitor: the virtual screen, which starts left
    // of or above the primary monitor when another monitor lies there.
    if (!parent) {
        window = CreateWindowExA(WS_EX_TOPMOST, kClassName, kFullScreenTitle,
                                 WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                 GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                 GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr,
                                 nullptr, instance, &creation);
    } else {
        RECT client;
        GetClientRect(parent, &client);
        window = CreateWindowExA(0, kClassName, kPreviewTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 client.right, client.bottom, parent, nullptr, instance, &creation);
    }
    if (creation.Taken) {
        saver.release();  // the window's now, gone with it when its creation failed
    } else {
        PasswordTeardown(saver->Host);
    }
    return window;
}

HWND StartFullScreen(HINSTANCE instance, WNDPROC saver_procedure, const SettingsSource& source,
                     bool& already_running) {
    already_running = false;
    if (HWND running = FindWindowA(kClassName, kFullScreenTitle)) {
        SetForegroundWindow(running);
        already_running = true;
        return nullptr;
    }
    HWND window = OpenSaverWindow(instance, nullptr, saver_procedure, source);
    if (window) SetForegroundWindow(window);
    return window;
}

namespace {

int RunFullScreen(HINSTANCE instance, WNDPROC saver_procedure) {
    bool already_running;
    HWND window = StartFullScreen(instance, saver_procedure, SettingsSource{}, already_running);
    if (already_running) return 0;
    if (!window) return kExitWindowFailed;
    const int result = RunMessageLoop(window);
    if (IsWindow(window)) DestroyWindow(window);  // the system hears that no saver runs
    return result;
}

int RunPreview(HINSTANCE instance, HWND parent, WNDPROC saver_procedure) {
    HWND window = OpenSaverWindow(instance, parent, saver_procedure, SettingsSource{});
    return window ? RunMessageLoop(window) : kExitWindowFailed;
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
    SaverRecord* saver = SaverOf(window);
    if (!saver) return DefWindowProcA(window, message, wparam, lparam);
    HostStateRecord& host = saver->Host;
    if (host.Preview || host.Closing) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
        case WM_CLOSE:
            if (!ClosePermitted(window, host)) {
                RecordCursor(host);
                return 0;
            }
            break;
        case SSM_VERIFYPASSWORD:
            return host.Verify ? host.Verify(window) : 1;
        default:
            break;
    }
    if (host.Checking) return DefWindowProcA(window, message, wparam, lparam);
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
            if (std::abs(now.x - host.Cursor.x) + std::abs(now.y - host.Cursor.y) > kMouseThreshold) {
                PostMessageA(window, WM_CLOSE, 0, 0);
                host.Cursor = now;
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK ScreenSaverHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {  // the window takes over its saver's record
        auto* creation = static_cast<SaverCreation*>(reinterpret_cast<const CREATESTRUCTA*>(lparam)->lpCreateParams);
        if (creation && !creation->Taken) {
            creation->Taken = true;
            creation->Saver->Window = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->Saver));
        }
    }
    SaverRecord* saver = SaverOf(window);
    if (!saver) return DefWindowProcA(window, message, wparam, lparam);
    HostStateRecord& host = saver->Host;
    const bool full_screen = !host.Preview;
    switch (message) {
        case WM_CREATE: {
            HMODULE imm = GetModuleHandleA("IMM32.DLL");
            host.Associate = imm ? reinterpret_cast<AssociateContextProc>(
                                       reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")))
                                 : nullptr;
            if (host.Associate) host.DetachedContext = host.Associate(window, nullptr);
            RecordCursor(host);
            if (full_screen) HideCursor();
            break;
        }
        case WM_DESTROY: {
            if (host.Associate && host.DetachedContext) host.Associate(window, host.DetachedContext);
            PostQuitMessage(0);
            const LRESULT result = host.SaverProcedure ? host.SaverProcedure(window, message, wparam, lparam)
                                                       : DefWindowProcA(window, message, wparam, lparam);
            // The saver has let go of everything: its record goes with its window.
            PasswordTeardown(host);
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            delete saver;
            return result;
        }
        case WM_SETTEXT:
            return 0;
        case WM_PAINT:
            if (host.Closing) return DefWindowProcA(window, message, wparam, lparam);
            if (full_screen) HideCursor();
            break;
        case WM_HELP:
        case WM_CONTEXTMENU:
            if (host.Preview) {
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
            if (host.Closing) return DefWindowProcA(window, message, wparam, lparam);
            break;
        case WM_SYSCOMMAND:
            if (full_screen && (wparam == SC_NEXTWINDOW || wparam == SC_PREVWINDOW || wparam == SC_SCREENSAVE))
                return 0;
            break;
        case WM_TIMER:
            if (host.Closing) return 0;
            Sleep(0);
            break;
        default:
            break;
    }
    return host.SaverProcedure ? host.SaverProcedure(window, message, wparam, lparam)
                                : DefWindowProcA(window, message, wparam, lparam);
}

int RunSaver(HINSTANCE instance, const char* command_line, WNDPROC saver_procedure, ConfigureProc configure) {
    ModuleInstance = instance;
    const SaverCommand command = ParseSaverCommand(command_line);
    switch (command.Mode) {
        case SaverMode::Configure:
        case SaverMode::ConfigureOwned: {
            if (!configure) return -1;
            return configure(instance, command.Mode == SaverMode::ConfigureOwned ? GetForegroundWindow() : nullptr);
        }
        case SaverMode::FullScreen:
            return RunFullScreen(instance, saver_procedure);
        case SaverMode::Preview: {
            HWND parent = WindowFromHandle(command.Window);
            return parent ? RunPreview(instance, parent, saver_procedure) : -1;
        }
        case SaverMode::ChangePassword: {
            HWND owner = WindowFromHandle(command.Window);
            ChangePassword(owner ? owner : GetForegroundWindow());
            return 0;
        }
        case SaverMode::None:
        default:
            return -1;
    }
}
