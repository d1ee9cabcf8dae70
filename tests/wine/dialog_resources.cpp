// dialog_resources MODULE: checks that the module carries the three password
// dialogs by name, each a dialog that can be made with its caption, its texts
// and an OK button. Prints what it finds; exit code 0 when all is there.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Expected {
    const char* Name;
    const char* Caption;
    const char* Text;  // one of its static texts
};

bool HasChildText(HWND dialog, const char* text) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char found[200];
        GetWindowTextA(child, found, sizeof found);
        if (strcmp(found, text) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        printf("FAIL: cannot load %s\n", argv[1]);
        return 1;
    }
    const Expected dialogs[] = {
        {"DLG_CHANGEPASSWORD", "Change Password", "&Help"},
        {"DLG_ENTERPASSWORD", "Velmora", "The screen saver is password protected."},
        {"DLG_INVALIDPASSWORD", "Velmora", "Check your password and try again"},
    };
    int failures = 0;
    for (const Expected& e : dialogs) {
        HWND dialog = FindResourceA(module, e.Name, MAKEINTRESOURCEA(5)) ? CreateDialogParamA(module, e.Name, nullptr, Quiet, 0)
                                                                      : nullptr;
        char caption[100] = "";
        if (dialog) GetWindowTextA(dialog, caption, sizeof caption);
        bool ok = dialog && strcmp(caption, e.Caption) == 0 && HasChildText(dialog, e.Text) && GetDlgItem(dialog, IDOK);
        printf("%s: %s\n", ok ? "ok" : "FAIL", e.Name);
        failures += !ok;
        if (dialog) DestroyWindow(dialog);
    }
    return failures == 0 ? 0 : 1;
}
