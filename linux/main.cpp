// velmora: the saver on Linux, live or recorded to a video or an animated GIF.
#include "live_run.h"
#include "options.h"
#include "recorder.h"
#include "stop_signals.h"

#include "config/setting_options.h"
#include "config/settings.h"
#include "platform/native/display_host.h"
#include "config/settings_file_check.h"
#include "output/pending_file.h"
#include "velmora_version.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <unistd.h>

namespace {

int Run(const ProgramOptions& options);

int Usage(const std::string& problem) {
    fprintf(stderr, "velmora: %s\n%s%s", problem.c_str(), kUsage, SettingOptionsHelp().c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    CatchStopSignals();
    TakeFileSizeLimitAsAnError();
    ProgramOptions options;
    std::string problem;
    if (!ParseProgramOptions(argc, argv, getenv("XSCREENSAVER_WINDOW"), options, problem)) return Usage(problem);
    if (options.Mode == RunMode::Help) {
        printf("%s%s", kUsage, SettingOptionsHelp().c_str());
        return 0;
    }
    if (options.Mode == RunMode::Version) {
        printf("velmora %s\n", VELMORA_VERSION);
        return 0;
    }
    if (!UsableSettingsPath(options.SettingsFile)) {
        fprintf(stderr, "velmora: settings file path too long: %s\n", options.SettingsFile.c_str());
        return 2;
    }
    // The file the store will read, checked once: a named one must be there,
    // the user's usual one may not be yet.
    const SettingsPlaceRecord place = LoadSettingNames(SettingsSourceOf(options));
    const std::string file = native_platform::HostPath(place.SettingsPath);
    const bool named = !options.SettingsFile.empty();
    if (!file.empty() && !(named ? ReadableSettings(file, problem) : UsableIfPresent(file, problem))) {
        fprintf(stderr, "velmora: cannot read settings file %s: %s\n", file.c_str(), problem.c_str());
        return 2;
    }
    native_platform::ShowMessageBoxesOn(stderr);
    // Pictures, displays and recordings are made at the size asked for: a
    // machine without the memory for one is told so, not an abort.
    try {
        return Run(options);
    } catch (const std::bad_alloc&) {
        if (options.Mode == RunMode::Record)
            fprintf(stderr, "velmora: cannot record %s: out of memory for a picture of %dx%d\n",
                    options.RecordFile.c_str(), options.Width, options.Height);
        else
            fprintf(stderr, "velmora: out of memory for the display and its pictures\n");
        return 1;
    }
}

namespace {

int Run(const ProgramOptions& options) {
    if (options.Mode != RunMode::Record) return RunLive(options);
    std::string problem;

    RecordOptions record;
    record.Path = options.RecordFile;
    record.Format = options.Format;
    record.FramesPerSecond = options.FramesPerSecond;
    record.Quality = options.Quality;
    record.Width = options.Width;
    record.Height = options.Height;
    record.PaletteDevice = options.PaletteDevice;
    record.Seconds = options.Seconds;
    record.CalendarMs = (uint64_t)(options.TimeGiven ? options.Time : (uint32_t)time(nullptr)) * 1000;
    record.Settings = SettingsSourceOf(options);
    record.ShowProgress = isatty(STDERR_FILENO);
    if (!RecordSaver(record, nullptr, problem)) {
        fprintf(stderr, "velmora: cannot record %s: %s\n", options.RecordFile.c_str(), problem.c_str());
        return 1;
    }
    return 0;
}

}  // namespace
