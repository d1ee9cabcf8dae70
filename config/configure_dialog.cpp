// For now the dialog loads the settings (creating them on a first run) and
// closes with the button pressed; its controls come with the dialog's own work.
#include "configure_dialog.h"

#include "settings.h"

BOOL ScreenSaverPrepareDialog(HINSTANCE) { return TRUE; }

VELMORA_EXPORT INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            LoadSettings();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wparam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
