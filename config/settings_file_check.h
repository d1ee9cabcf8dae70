// A settings file must be a readable regular file of a sane size: a missing
// one named on a command line would silently give the built-in settings, a
// FIFO would never answer, and one of many megabytes is no settings file
// (read at every key, it would hold the start for minutes).
#ifndef VELMORA_SETTINGS_FILE_CHECK_H
#define VELMORA_SETTINGS_FILE_CHECK_H

#include <string>

constexpr long long kLargestSettingsFile = 1 << 20;

// False: problem says why, in the system's words.
bool ReadableSettings(const std::string& path, std::string& problem);

// The same for a file that need not exist (the user's usual file): false only
// for one that is there and cannot serve.
bool UsableIfPresent(const std::string& path, std::string& problem);

#endif
