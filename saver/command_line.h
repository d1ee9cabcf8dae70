// The saver's mode, read from the command line after the program name.
#ifndef VELMORA_COMMAND_LINE_H
#define VELMORA_COMMAND_LINE_H

#include <cstdint>

enum class SaverMode { Configure, ConfigureOwned, FullScreen, Preview, ChangePassword, None };

struct SaverCommand {
    SaverMode Mode;
    uintptr_t Window;  // preview and change password: the handle given, 0 when none
};

SaverCommand ParseSaverCommand(const char* text);

#endif
