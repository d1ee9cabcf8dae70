// The saver on the native platform layer: one colour-mode rotation with its
// repaint of the whole picture, and one index-mode rotation, at full-screen
// sizes. Colour cycling asks for a rotation every 10 ms.
#include "config/settings_location.h"
#include "platform/native/test_hooks.h"
#include "saver/host.h"
#include "saver/messages.h"
#include "saver/message_loop.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace np = native_platform;

namespace {

// A full-screen saver whose first picture is complete, cycling at every step.
HWND OpenCyclingSaver(np::DisplayKind kind, int width, int height, const std::filesystem::path& folder) {
    np::Reset(kind, width, height);
    std::filesystem::create_directories(folder);
    FILE* file = fopen((folder / "control.ini").c_str(), "w");
    fputs("[ScreenSaver.Velmora]\nTimeOnScreen=0\nSpecialEffects=2\nPsycheDelay=0\n", file);
    fclose(file);
    setenv(kConfigDirVariable, folder.c_str(), 1);
    HWND window = OpenSaverWindow(nullptr, nullptr);
    int exit_code = 0;
    MSG msg;
    while (DispatchNextMessage(exit_code) && !PeekMessageA(&msg, nullptr, SSM_CYCLESTEP, SSM_CYCLESTEP, PM_NOREMOVE) &&
           !PacedMessage.pending) {
    }
    return window;
}

void RotationStep(benchmark::State& state, np::DisplayKind kind) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmora-bench";
    HWND window = OpenCyclingSaver(kind, (int)state.range(0), (int)state.range(1), folder);
    for (auto _ : state) SendMessageA(window, SSM_CYCLESTEP, 0, 0);
    DestroyWindow(window);
    std::filesystem::remove_all(folder);
    state.counters["rotations_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ColorModeRotationAndRepaint(benchmark::State& state) { RotationStep(state, np::DisplayKind::TrueColor); }
void BM_IndexModeRotation(benchmark::State& state) { RotationStep(state, np::DisplayKind::Palette256); }

BENCHMARK(BM_ColorModeRotationAndRepaint)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexModeRotation)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
