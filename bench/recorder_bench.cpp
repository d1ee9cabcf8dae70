// Recording the saver to an animated GIF: one second of fading pictures (a
// frame every display frame, each changing every pixel) and one of flowing
// colours, at 1280x720. A recording keeps up with the saver when one second
// of it takes less than a second.
#include "config/settings_location.h"
#include "linux/recorder.h"
#include "platform/native/test_hooks.h"
#include "saver/start_values.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace np = native_platform;

namespace {

void RecordOneSecond(benchmark::State& state, const char* settings) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmora-recorder-bench";
    std::filesystem::create_directories(folder);
    FILE* file = fopen((folder / "control.ini").c_str(), "w");
    fprintf(file, "[ScreenSaver.Velmora]\n%s", settings);
    fclose(file);
    setenv(kConfigDirVariable, folder.c_str(), 1);
    RecordOptions options;
    options.path = (folder / "out.gif").string();
    options.width = 1280;
    options.height = 720;
    options.seconds = 1;
    options.calendar_ms = 1700000000000ull;
    int frames = 0;
    for (auto _ : state) {
        ReturnToStartValues();  // each recording as in a new process
        np::Reset(np::DisplayKind::TrueColor, options.width, options.height);
        std::string problem;
        frames = 0;
        if (!RecordSaver(options, [&](uint32_t) { frames++; }, problem)) state.SkipWithError(problem.c_str());
    }
    state.counters["changes"] = frames;
    std::filesystem::remove_all(folder);
}

void BM_RecordFade(benchmark::State& state) {
    RecordOneSecond(state, "TimeOnScreen=1\nSpecialEffects=4\nTransformSteps=20\nEffectCycle=1\n");
}
BENCHMARK(BM_RecordFade)->Unit(benchmark::kMillisecond);

void BM_RecordFlowingColours(benchmark::State& state) {
    RecordOneSecond(state, "TimeOnScreen=1\nSpecialEffects=2\nPsycheDelay=10\n");
}
BENCHMARK(BM_RecordFlowingColours)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
