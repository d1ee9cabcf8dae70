#include "install_messages.h"

namespace {

void Show(const char* text, UINT icon) {
    MessageBeep(MB_ICONASTERISK);
    MessageBoxA(nullptr, text, kInstallCaption, icon);
}

}  // namespace

void ShowInstallWarning(const char* text) { Show(text, MB_ICONEXCLAMATION); }
void ShowInstallError(const char* text) { Show(text, MB_ICONHAND); }

int ShowInstallString(UINT id, UINT type) {
    char text[256];
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return MessageBoxA(nullptr, text, kInstallCaption, type);
}
