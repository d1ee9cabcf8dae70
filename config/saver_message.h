// The saver's warning box: a beep, then the text of a string-table entry with
// no owner, captioned with the settings section's name.
#ifndef VELMORA_SAVER_MESSAGE_H
#define VELMORA_SAVER_MESSAGE_H

#include "platform/win32.h"

void ShowSaverMessage(UINT string_id);

#endif
