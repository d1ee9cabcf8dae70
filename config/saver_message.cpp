#include "saver_message.h"

#include "module_instance.h"
#include "settings.h"

void ShowSaverMessage(UINT string_id) {
    char text[500];
    LoadStringA(ResourceModule(), string_id, text, sizeof text);
    MessageBeep(0);
    MessageBoxA(nullptr, text, SettingsSection, MB_ICONWARNING);
}
