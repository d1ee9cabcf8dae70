#include "saver_message.h"

#include "config/module_instance.h"
#include "config/settings.h"

void ShowSaverMessage(UINT string_id) {
    char text[500];
    LoadStringA(ResourceModule(), string_id, text, sizeof text);
    MessageBeep(0);
    MessageBoxA(nullptr, text, SettingsSection, MB_ICONWARNING);
}
