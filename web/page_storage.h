// The settings file kept in the browser's storage, in the file's own text:
// put back in place before the saver first reads it, and stored again after
// each save from the panel.
#ifndef VELMORA_WEB_PAGE_STORAGE_H
#define VELMORA_WEB_PAGE_STORAGE_H

#include "config/settings.h"

#include <cstdint>
#include <utility>
#include <vector>

// Where the page's settings file lives (an empty in-memory folder at start),
// and what the browser kept of it; call before the settings are first read.
void RestoreSettingsFile();

enum class SaveResult { NothingChanged, Saved, NotWritten };

// The user's settings as the panel shows them (the file, and the link's
// settings over it) with these changes from the panel, written to the file and
// kept by the browser; nothing is written when no change could be taken (an
// index or value out of range).
SaveResult SaveChangedSettings(const SettingsSource& shown, const std::vector<std::pair<int32_t, int32_t>>& changes);

#endif
