// The installer's message boxes: no owner, the installer's caption; warnings
// and errors come with the asterisk beep.
#ifndef VELMORA_INSTALL_MESSAGES_H
#define VELMORA_INSTALL_MESSAGES_H

#include "platform/win32.h"

constexpr char kInstallCaption[] = "Velmora Installation";

void ShowInstallWarning(const char* text);  // warning icon
void ShowInstallError(const char* text);    // error icon
// A string of the installer's table, with the given buttons and icon; the button pressed.
int ShowInstallString(UINT id, UINT type);

#endif
