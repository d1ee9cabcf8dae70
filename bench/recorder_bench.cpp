// Recording the saver: one recorded second per iteration, as in a new process.
// Videos: flowing colours (every pixel changes every 10 ms) in MP4 at 640x360
// and 1280x720, with the file's bytes per recorded second; fading pictures in
// MP4 and WebM. GIF: fading pictures and flowing colours at 1280x720. The
// time is the process's CPU time, every thread counted: a recording keeps up
// with the saver when one recorded second costs less than a CPU-second.
#include "config/settings_location.h"
#include "linux/recorder.h"
#include "platform/native/test_hooks.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace np = native_platform;

namespace {

const char kFade[] = "TimeOnScreen=1\nSpecialEffects=4\nTransformSteps=20\nEffectCycle=1\n";
const char kFlowing[] = "TimeOnScreen=1\nSpecialEffects=2\nPsycheDelay=10\n";

void RecordOneSecond(benchmark::State& state, const char* settings, RecordFormat format, const char* name, int width,
                     int height) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmora-recorder-bench";
    std::filesystem::create_directories(folder);
    FILE* file = fopen((folder / "control.ini").c_str(), "w");
    fprintf(file, "[ScreenSaver.Velmora]\n%s", settings);
    fclose(file);
    setenv(kConfigDirVariable, folder.c_str(), 1);
    RecordOptions options;
    options.Path = (folder / name).string();
    options.Format = format;
    options.Width = width;
    options.Height = height;
    options.Seconds = 1;
    options.CalendarMs = 1700000000000ull;
    int changes = 0;
    for (auto _ : state) {
        np::Reset(np::DisplayKind::TrueColor, options.Width, options.Height);  // each recording as in a new process
        std::string problem;
        changes = 0;
        if (!RecordSaver(options, [&](uint32_t) { changes++; }, problem)) state.SkipWithError(problem.c_str());
    }
    state.counters["changes"] = changes;
    std::error_code failed;
    state.counters["MB_per_recorded_s"] = (double)std::filesystem::file_size(options.Path, failed) / 1e6;
    std::filesystem::remove_all(folder);
}

void BM_Mp4FlowingColours640x360(benchmark::State& state) {
    RecordOneSecond(state, kFlowing, RecordFormat::Mp4, "out.mp4", 640, 360);
}
BENCHMARK(BM_Mp4FlowingColours640x360)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_Mp4FlowingColours1280x720(benchmark::State& state) {
    RecordOneSecond(state, kFlowing, RecordFormat::Mp4, "out.mp4", 1280, 720);
}
BENCHMARK(BM_Mp4FlowingColours1280x720)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_Mp4Fade1280x720(benchmark::State& state) {
    RecordOneSecond(state, kFade, RecordFormat::Mp4, "out.mp4", 1280, 720);
}
BENCHMARK(BM_Mp4Fade1280x720)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_WebMFlowingColours1280x720(benchmark::State& state) {
    RecordOneSecond(state, kFlowing, RecordFormat::WebM, "out.webm", 1280, 720);
}
BENCHMARK(BM_WebMFlowingColours1280x720)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_GifFade1280x720(benchmark::State& state) {
    RecordOneSecond(state, kFade, RecordFormat::Gif, "out.gif", 1280, 720);
}
BENCHMARK(BM_GifFade1280x720)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_GifFlowingColours1280x720(benchmark::State& state) {
    RecordOneSecond(state, kFlowing, RecordFormat::Gif, "out.gif", 1280, 720);
}
BENCHMARK(BM_GifFlowingColours1280x720)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
