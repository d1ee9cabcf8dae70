// Plays the saver on the in-memory display with the test clock, as fast as it
// goes, and writes what it shows: a video at a constant frame rate (MP4, WebM)
// or an animated GIF of at most 50 frames a second. Each frame is the display
// as it stands at the frame's instant on that clock.
#ifndef VELMORA_LINUX_RECORDER_H
#define VELMORA_LINUX_RECORDER_H

#include "video_writer.h"

#include "config/settings.h"

#include <cstdint>
#include <functional>
#include <string>

enum class RecordFormat { Gif, Mp4, WebM };

// The format a file's name asks for by its extension (.gif, .mp4, .webm, in
// any case); false for any other.
bool RecordFormatOf(const std::string& path, RecordFormat& format);

// A GIF frame lasts two hundredths at least: players stretch shorter ones.
constexpr int kGifFramesPerSecond = 50;
constexpr int kDefaultVideoFramesPerSecond = 60;

struct RecordOptions {
    std::string Path;
    RecordFormat Format = RecordFormat::Gif;
    int FramesPerSecond = kDefaultVideoFramesPerSecond;  // of a video
    VideoQuality Quality = VideoQuality::Medium;
    int Width = 0, Height = 0;
    bool PaletteDevice = false;
    uint32_t Seconds = 10;
    uint64_t CalendarMs = 0;     // the calendar time at the start, ms since 1970
    bool ShowProgress = false;  // a progress line on standard error
    SettingsSource Settings;     // the saver's: the user's file, or another, and settings over it
};

// Called at each change of the display, with the test clock's time in ms; the
// display can be read then (display_host.h).
using ChangeObserver = std::function<void(uint32_t time_ms)>;

// False: problem says why (the file, or the saver could not start).
bool RecordSaver(const RecordOptions& options, const ChangeObserver& observer, std::string& problem);

#endif
