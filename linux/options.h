// The command line of the Linux program.
#ifndef VELMORA_LINUX_OPTIONS_H
#define VELMORA_LINUX_OPTIONS_H

#include "config/setting_options.h"
#include "config/settings.h"
#include "recorder.h"

#include <cstdint>
#include <string>

enum class RunMode { Window, FullScreen, Embedded, Record, Help, Version };

// The largest picture velmora makes: each side, and all its pixels. Peak
// resident sizes measured with the release build (one second at one frame a
// second): a live full screen about 17 bytes a pixel (0.9 to 1.1 GB at
// 8192x8192), MP4 and GIF recordings about 18 (1.0 and 1.1 GB at 8192x8192),
// but a WebM recording about 120, for VP9's look-ahead buffers (1.0 GB at
// 3840x2160, 2.0 GB at 4096x4096 and at 5792x2896): WebM has a limit of its
// own, so that no size allowed needs more than about 2 GB.
constexpr int kLargestSide = 16384;
constexpr uint64_t kMostPixels = 1u << 26;      // 8192x8192
constexpr uint64_t kMostWebMPixels = 1u << 24;  // 4096x4096

// A live window's size brought within those limits (as --size is checked):
// the picture then covers its top-left part.
void BoundToLargestPicture(int& width, int& height);

struct ProgramOptions {
    RunMode Mode = RunMode::Window;
    bool FullScreen = false;
    bool SizeGiven = false;
    int Width = 1280, Height = 720;  // the window's, or the recording's
    unsigned long WindowId = 0;      // embedded: the X window; 0 with root
    bool Root = false;               // embedded in the screen's root window
    bool PaletteDevice = false;
    std::string SettingsFile;  // empty: the usual per-user file
    std::string RecordFile;
    RecordFormat Format = RecordFormat::Gif;  // by the file's extension
    int FramesPerSecond = kDefaultVideoFramesPerSecond;
    bool FramesPerSecondGiven = false;
    VideoQuality Quality = VideoQuality::Medium;
    bool QualityGiven = false;
    std::string SnapshotFile;  // written at each SIGUSR1
    uint32_t Seconds = 10;
    bool SecondsGiven = false;
    bool TimeGiven = false;
    uint32_t Time = 0;  // the calendar time (seconds since 1970) a recording starts at
    SettingOverrides Settings;  // replace the file's for this run, handed to the settings store
};

// Reads argv; window_variable is XSCREENSAVER_WINDOW (null when not set).
// False: problem says what is wrong, for a usage message. Setting options
// (config/setting_options.h) go into options.Settings.
bool ParseProgramOptions(int argc, char** argv, const char* window_variable, ProgramOptions& options,
                         std::string& problem);

// What the command line says of settings: the file to read (only read) and
// the settings that replace the file's, for every saver window of the run.
SettingsSource SettingsSourceOf(const ProgramOptions& options);

// An X window id as XScreenSaver gives it: decimal, or hexadecimal after 0x; 0 when not one.
unsigned long ParseWindowId(const char* text);

extern const char kUsage[];

#endif
