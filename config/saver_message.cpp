#include "saver_message.h"

#include "module_instance.h"
#include "resource_ids.h"

void ShowSaverMessage(UINT string_id) {
    char text[500], caption[40];
    LoadStringA(ResourceModule(), string_id, text, sizeof text);
    LoadStringA(ResourceModule(), IDS_SETTINGS_SECTION, caption, sizeof caption);  // SettingsSection
    MessageBeep(0);
    MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
}
