// Plays the saver on the in-memory display with the test clock, as fast as it
// goes, and writes what it shows as an animated GIF at the saver's own cadence.
#ifndef VELMORA_LINUX_RECORDER_H
#define VELMORA_LINUX_RECORDER_H

#include <cstdint>
#include <functional>
#include <string>

struct RecordOptions {
    std::string path;
    int width = 0, height = 0;
    bool palette_device = false;
    uint32_t seconds = 10;
    uint64_t calendar_ms = 0;  // the calendar time at the start, ms since 1970
    bool show_progress = false;  // a progress line on standard error
};

// Called at each change of the display, with the test clock's time in ms; the
// display can be read then (display_host.h).
using ChangeObserver = std::function<void(uint32_t time_ms)>;

// False: problem says why (the file, or the saver could not start).
bool RecordSaver(const RecordOptions& options, const ChangeObserver& observer, std::string& problem);

#endif
