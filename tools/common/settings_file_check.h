// A settings file named on a command line must be a readable regular file: a
// missing one would silently give the built-in settings, a FIFO would never answer.
#ifndef VELMORA_SETTINGS_FILE_CHECK_H
#define VELMORA_SETTINGS_FILE_CHECK_H

#include <string>

// False: problem says why, in the system's words.
bool ReadableSettings(const std::string& path, std::string& problem);

#endif
