// drive_installer ACTION ANSWER: plays the user of the installer. Waits for
// its dialog, then ACTION: "continue" (both boxes unchecked, then Continue),
// "cancel", or "none" (only answer boxes). Every message box titled "Velmora
// Installation" is printed ("box: TEXT") and answered: Yes or No as ANSWER
// says, else OK. Ends when no dialog or box has been seen for two seconds.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kCaption[] = "Velmora Installation";

struct Found {
    HWND Dialog = nullptr;  // the installer's dialog (it has a Continue button)
    HWND Box = nullptr;     // a message box
};

BOOL CALLBACK Look(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<Found*>(context);
    char name[64], caption[128];
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, caption, sizeof caption);
    if (strcmp(name, "#32770") != 0 || strcmp(caption, kCaption) != 0 || !IsWindowVisible(window)) return TRUE;
    char text[64] = "";
    GetDlgItemTextA(window, IDOK, text, sizeof text);
    if (strcmp(text, "Continue") == 0)
        found->Dialog = window;
    else
        found->Box = window;
    return TRUE;
}

Found LookAround() {
    Found found;
    EnumWindows(Look, reinterpret_cast<LPARAM>(&found));
    return found;
}

void Click(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const char* action = argv[1];
    const bool yes = strcmp(argv[2], "yes") == 0;
    const bool only_boxes = strcmp(action, "none") == 0;
    bool acted = only_boxes;
    HWND answered = nullptr;
    DWORD quiet_since = GetTickCount();
    for (int i = 0; i < 600; i++) {  // 60 s at the most
        Found found = LookAround();
        char text[512] = "";
        if (found.Box) GetDlgItemTextA(found.Box, 0xFFFF, text, sizeof text);
        if (found.Box && found.Box != answered && text[0]) {  // a box going away has no text left
            answered = found.Box;
            printf("box: %s\n", text);
            fflush(stdout);
            if (GetDlgItem(found.Box, IDYES))
                Click(found.Box, yes ? IDYES : IDNO);
            else
                Click(found.Box, IDOK);
            quiet_since = GetTickCount();
        } else if (found.Dialog && !acted) {
            char version[128] = "";
            GetDlgItemTextA(found.Dialog, 312, version, sizeof version);
            printf("dialog: %s\n", version);
            if (strcmp(action, "continue") == 0) {
                SendDlgItemMessageA(found.Dialog, 3072, BM_SETCHECK, BST_UNCHECKED, 0);
                SendDlgItemMessageA(found.Dialog, 3073, BM_SETCHECK, BST_UNCHECKED, 0);
                Click(found.Dialog, IDOK);
            } else {
                Click(found.Dialog, IDCANCEL);
            }
            fflush(stdout);
            acted = true;
            quiet_since = GetTickCount();
        } else if ((found.Dialog && !only_boxes) || found.Box) {
            quiet_since = GetTickCount();
        } else if (acted && GetTickCount() - quiet_since > 2000) {
            return 0;
        }
        Sleep(100);
    }
    printf("timed out\n");
    return 1;
}
