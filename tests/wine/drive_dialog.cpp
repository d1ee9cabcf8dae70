// drive_dialog COMMAND...: plays the user of the configuration dialog (caption
// "Velmora", with the picture frame 3712), waiting up to 20 s for it. Commands:
//   state:ID              prints "ID checked=C enabled=E visible=V text=T"
//   dump                  state of every control, with its class
//   click:ID              a click on the button or check box (as the mouse would)
//   text:ID:VALUE         types VALUE into a number box
//   scroll:ID:CODE[:POS]  a scroll request (SB_ code) to bar ID
//   wait:MS               lets the dialog handle what it posted to itself
//   inside:ID             prints "inside=L,T,R,B": the control's client area
//                         in screen pixels
//   box                   waits for a message box titled "ScreenSaver.Velmora",
//                         prints "box: TEXT" and presses its OK
// Every command but the last waits for its answer; "click:1" (OK) or
// "click:2" (Cancel) ends the dialog.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindDialog() {
    for (int i = 0; i < 200; i++) {
        HWND dialog = FindWindowA("#32770", "Velmora");
        // Shown only once every control is made and WM_INITDIALOG has run.
        if (dialog && GetDlgItem(dialog, 3712) && IsWindowVisible(dialog)) {
            Sleep(200);
            return dialog;
        }
        Sleep(100);
    }
    return nullptr;
}

// Where a control stands, in dialog units from the client origin (control
// 3713 sits there). MapDialogRect does not work on another process's dialog:
// the scale comes from the OK button, 54 x 16 units.
void PrintPlace(HWND dialog, HWND control) {
    RECT ok, origin, r;
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    GetWindowRect(GetDlgItem(dialog, 3713), &origin);
    GetWindowRect(control, &r);
    const double sx = (ok.right - ok.left) / 54.0, sy = (ok.bottom - ok.top) / 16.0;
    printf(" place=%d,%d,%d,%d", (int)((r.left - origin.left) / sx + 0.5), (int)((r.top - origin.top) / sy + 0.5),
           (int)((r.right - r.left) / sx + 0.5), (int)((r.bottom - r.top) / sy + 0.5));
}

void PrintState(HWND dialog, HWND control) {
    char name[64] = "", text[256] = "";
    GetClassNameA(control, name, sizeof name);
    SendMessageA(control, WM_GETTEXT, sizeof text, (LPARAM)text);  // GetWindowText does not ask another process's controls
    const LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
    printf("%d class=%s checked=%d enabled=%d visible=%d", GetDlgCtrlID(control), name,
           strcmp(name, "Button") == 0 ? (int)check : 0, IsWindowEnabled(control) ? 1 : 0,
           (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) ? 1 : 0);
    PrintPlace(dialog, control);
    printf(" text=%s\n", text);
}

}  // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware();  // places in the display's own pixels, whatever its DPI
    HWND dialog = FindDialog();
    if (!dialog) {
        printf("no dialog\n");
        return 1;
    }
    for (int i = 1; i < argc; i++) {
        char command[256];
        snprintf(command, sizeof command, "%s", argv[i]);
        char* what = strtok(command, ":");
        char* a = strtok(nullptr, ":");
        char* b = strtok(nullptr, ":");
        char* c = strtok(nullptr, ":");
        if (strcmp(what, "dump") == 0) {
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                PrintState(dialog, child);
        } else if (strcmp(what, "state") == 0) {
            PrintState(dialog, GetDlgItem(dialog, atoi(a)));
        } else if (strcmp(what, "click") == 0) {
            HWND button = GetDlgItem(dialog, atoi(a));
            if (atoi(a) == IDOK || atoi(a) == IDCANCEL)
                PostMessageA(button, BM_CLICK, 0, 0);  // the dialog ends: no answer comes
            else
                SendMessageA(button, BM_CLICK, 0, 0);
        } else if (strcmp(what, "text") == 0) {
            SendMessageA(GetDlgItem(dialog, atoi(a)), WM_SETTEXT, 0, (LPARAM)(b ? b : ""));
        } else if (strcmp(what, "scroll") == 0) {
            SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(atoi(b), c ? atoi(c) : 0), (LPARAM)GetDlgItem(dialog, atoi(a)));
        } else if (strcmp(what, "inside") == 0) {
            HWND control = GetDlgItem(dialog, atoi(a));
            RECT r = {0, 0, 0, 0};
            GetClientRect(control, &r);
            MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
            printf("inside=%ld,%ld,%ld,%ld\n", r.left, r.top, r.right, r.bottom);
        } else if (strcmp(what, "wait") == 0) {
            Sleep(atoi(a));
        } else if (strcmp(what, "box") == 0) {
            HWND box = nullptr;
            for (int tries = 0; tries < 100 && !box; tries++, Sleep(100)) box = FindWindowA("#32770", "ScreenSaver.Velmora");
            char text[512] = "";
            for (int tries = 0; box && !text[0] && tries < 50; tries++, Sleep(100))  // its text comes a moment later
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            for (char* p = text; *p; p++)
                if (*p == '\n' || *p == '\r') *p = ' ';
            printf("box: %s\n", box ? text : "(none)");
            if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
            Sleep(300);
        }
        fflush(stdout);
    }
    return 0;
}
