#include "install_dialog.h"

#include "backdrop.h"
#include "copy_saver.h"
#include "install_messages.h"
#include "install_strings.h"
#include "velmora_version.h"

#include <cstdio>
#include <cstring>

namespace {

// What opens the page of the display settings that lists screen savers.
constexpr char kDisplaySettings[] = "control desk.cpl,,@screensaver";

void Install(HWND dialog) {
    char directory[256];
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    if (length == 0) {
        ShowInstallWarning("Installation failed (1)");
        return;
    }
    const bool ends_with_backslash = directory[length - 1] == '\\';
    if (length >= sizeof directory || (!ends_with_backslash && length + 1 >= sizeof directory)) {
        ShowInstallWarning("Installation failed (2)");
        return;
    }
    if (!ends_with_backslash) strcat(directory, "\\");

    switch (CopySaver(directory)) {
        case CopyResult::Interrupted:
            ShowInstallWarning("Installation interrupted");
            return;
        case CopyResult::Failed:
            return;
        case CopyResult::Done:
            break;
    }
    ShowInstallString(IDS_INSTALLED, MB_OK | MB_ICONASTERISK);

    char command[256];
    if (IsDlgButtonChecked(dialog, IDC_CONTROL_PANEL) == BST_CHECKED) {
        snprintf(command, sizeof command, "%s%s", directory, kDisplaySettings);
        if (WinExec(command, SW_SHOWNORMAL) < 32) WinExec(kDisplaySettings, SW_SHOWNORMAL);
    }
    if (IsDlgButtonChecked(dialog, IDC_README) == BST_CHECKED) {
        snprintf(command, sizeof command, "%snotepad %s", directory, "readme.txt");
        WinExec(command, SW_SHOWNORMAL);
    }
}

void Close(HWND dialog) {
    Backdrop.Dialog = nullptr;
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            Backdrop.Dialog = dialog;
            char version[256];
            snprintf(version, sizeof version, "version %s for Windows 95 (32 bit),", VELMORA_VERSION);
            SetDlgItemTextA(dialog, IDC_VERSION, version);
            SetWindowTextA(dialog, kInstallCaption);
            RECT frame;
            GetWindowRect(dialog, &frame);
            const int width = frame.right - frame.left, height = frame.bottom - frame.top;
            SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            CheckDlgButton(dialog, IDC_CONTROL_PANEL, BST_CHECKED);
            CheckDlgButton(dialog, IDC_README, BST_CHECKED);
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(dialog, &paint);
            if (Backdrop.Object) {
                SelectPalette(dc, Backdrop.Object, FALSE);
                RealizePalette(dc);
            }
            EndPaint(dialog, &paint);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                Install(dialog);
                Close(dialog);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                Close(dialog);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
