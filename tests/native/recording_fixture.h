// Recordings played on the test clock, with every change of the display kept
// to compare the written frames against.
#ifndef VELMORA_TEST_RECORDING_FIXTURE_H
#define VELMORA_TEST_RECORDING_FIXTURE_H

#include "config/settings.h"
#include "config/settings_location.h"
#include "linux/recorder.h"
#include "platform/native/test_hooks.h"
#include "support/fresh_process.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace np = native_platform;

struct Snapshot {
    uint32_t TimeMs;
    std::vector<uint32_t> Rgb;
};

// The display as it stood at an instant: the last change at or before it.
inline const std::vector<uint32_t>* DisplayAt(const std::vector<Snapshot>& snapshots, uint32_t time_ms) {
    const std::vector<uint32_t>* at = nullptr;
    for (const Snapshot& s : snapshots) {
        if (s.TimeMs > time_ms) break;
        at = &s.Rgb;
    }
    return at;
}

class Recording : public ::testing::Test {
protected:
    TempFolder Folder;
    void SetUp() override { setenv(kConfigDirVariable, Folder.path().c_str(), 1); }
    void TearDown() override { unsetenv(kConfigDirVariable); }

    // Records with these settings; every change of the display is kept.
    std::vector<Snapshot> Record(np::DisplayKind kind, const std::string& settings, uint32_t seconds, int width,
                                 int height, const std::string& out, RecordFormat format = RecordFormat::Gif,
                                 int frames_per_second = kDefaultVideoFramesPerSecond) {
        StartFreshProcess(kind, width, height);
        WriteFile(Folder.File("control.ini"), "[ScreenSaver.Velmora]\n" + settings);
        RecordOptions options;
        options.Path = out;
        options.Format = format;
        options.FramesPerSecond = frames_per_second;
        options.Width = width;
        options.Height = height;
        options.PaletteDevice = kind == np::DisplayKind::Palette256;
        options.Seconds = seconds;
        options.CalendarMs = 1700000000000ull;
        std::vector<Snapshot> snapshots;
        std::string problem;
        EXPECT_TRUE(RecordSaver(options,
                                [&](uint32_t time_ms) {
                                    Snapshot s{time_ms, std::vector<uint32_t>((size_t)width * height)};
                                    for (int y = 0; y < height; y++)
                                        np::ScreenRowRgb(y, 0, width, s.Rgb.data() + (size_t)y * width);
                                    snapshots.push_back(std::move(s));
                                },
                                problem))
            << problem;
        return snapshots;
    }

};

#endif
