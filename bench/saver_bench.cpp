// The saver on the native platform layer at full-screen sizes: one colour-mode
// rotation with its repaint of the whole picture, one index-mode rotation (a
// rotation is due every 10 ms), and one step of each transition (a step is due
// every display frame, 16.7 ms).
#include "config/settings_location.h"
#include "platform/native/pixel_lookup.h"
#include "platform/native/test_hooks.h"
#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/messages.h"
#include "saver/saver_record.h"
#include "saver/transition_buffers.h"
#include "saver/transitions.h"
#include "saver/window_core.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace np = native_platform;

namespace {

// A full-screen saver with these settings, run until its first paced step is due.
HWND OpenSaver(np::DisplayKind kind, int width, int height, const std::filesystem::path& folder, const char* settings) {
    np::Reset(kind, width, height);
    // A machine up for more than an hour: the first picture's effect is due at
    // once, as it is for a saver that starts after EffectCycle of uptime.
    np::SetTickCount(3601 * 1000);
    std::filesystem::create_directories(folder);
    FILE* file = fopen((folder / "control.ini").c_str(), "w");
    fprintf(file, "[ScreenSaver.Velmora]\n%s", settings);
    fclose(file);
    setenv(kConfigDirVariable, folder.c_str(), 1);
    HWND window = OpenSaverWindow(nullptr, nullptr, ScreenSaverProc, SettingsSource{});
    int exit_code = 0;
    while (DispatchNextMessage(&window, 1, exit_code) && !SaverOf(window)->PacedMessage.Pending) {
    }
    return window;
}

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "velmora-bench";

void RotationStep(benchmark::State& state, np::DisplayKind kind) {
    HWND window = OpenSaver(kind, (int)state.range(0), (int)state.range(1), kFolder,
                            "TimeOnScreen=0\nSpecialEffects=2\nPsycheDelay=0\n");
    for (auto _ : state) SendMessageA(window, SSM_CYCLESTEP, 0, 0);
    DestroyWindow(window);
    std::filesystem::remove_all(kFolder);
    state.counters["rotations_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

// One step of 4 rows: the window scrolls and the uncovered strip is drawn.
void BM_MovingStep(benchmark::State& state) {
    HWND window = OpenSaver(np::DisplayKind::TrueColor, (int)state.range(0), (int)state.range(1), kFolder,
                            "SpecialEffects=1\nMovingSpeed=4\nEffectCycle=3600\n");
    SaverRecord& saver = *SaverOf(window);
    const PacedMessageRecord step = saver.PacedMessage;
    const intptr_t start = saver.Transition.ScrollPosition;
    for (auto _ : state) {
        saver.Transition.ScrollPosition = start;  // far from the end: every step is an ordinary one
        SendMessageA(window, step.Message, step.WParam, step.LParam);
    }
    // A step that stopped for a message measured nothing of the step.
    if (saver.StoppedWork.Message) state.SkipWithError("the step stopped before its work");
    DestroyWindow(window);
    std::filesystem::remove_all(kFolder);
}

// One fading step: the blend over the whole picture and its repaint.
void BM_TransformStep(benchmark::State& state) {
    HWND window = OpenSaver(np::DisplayKind::TrueColor, (int)state.range(0), (int)state.range(1), kFolder,
                            "SpecialEffects=4\nTransformSteps=20\nEffectCycle=3600\n");
    SaverRecord& saver = *SaverOf(window);
    const PacedMessageRecord step = saver.PacedMessage;
    for (auto _ : state) {
        saver.Transition.TransformStep = 0;
        SendMessageA(window, step.Message, step.WParam, step.LParam);
    }
    // A step that stopped for a message measured nothing of the step.
    if (saver.StoppedWork.Message) state.SkipWithError("the step stopped before its work");
    DestroyWindow(window);
    std::filesystem::remove_all(kFolder);
}

// A new picture from its message to its end: palette, generation and drawing,
// what the web page is measured against.
void BM_NewPicture(benchmark::State& state) {
    HWND window = OpenSaver(np::DisplayKind::TrueColor, (int)state.range(0), (int)state.range(1), kFolder,
                            "TimeOnScreen=0\nSpecialEffects=2\nPsycheDelay=500\n");
    for (auto _ : state) {
        PostMessageA(window, SSM_NEWIMAGE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
            if (msg.message == SSM_IMAGEDONE) break;
        }
    }
    DestroyWindow(window);
    std::filesystem::remove_all(kFolder);
}

// A rotation and the frame a presenter then reads (velmora's, row by row in
// RGB): what a shown frame of flowing colours costs.
void BM_ColorModeRotationAndFrame(benchmark::State& state) {
    const int width = (int)state.range(0), height = (int)state.range(1);
    HWND window = OpenSaver(np::DisplayKind::TrueColor, width, height, kFolder,
                            "TimeOnScreen=0\nSpecialEffects=2\nPsycheDelay=0\n");
    std::vector<uint32_t> frame((size_t)width * height);
    for (auto _ : state) {
        SendMessageA(window, SSM_CYCLESTEP, 0, 0);
        for (int y = 0; y < height; y++) np::ScreenRowRgb(y, 0, width, frame.data() + (size_t)y * width);
        benchmark::DoNotOptimize(frame.data());
    }
    DestroyWindow(window);
    std::filesystem::remove_all(kFolder);
}

// The display's lookup of a frame's pixels through a colour table.
void BM_LookUpPixels(benchmark::State& state) {
    const size_t count = (size_t)state.range(0) * (size_t)state.range(1);
    std::vector<uint8_t> bytes(count);
    std::vector<uint32_t> out(count);
    uint32_t values[256];
    for (size_t i = 0; i < count; i++) bytes[i] = (uint8_t)(i * 2654435761u >> 13);
    for (uint32_t v = 0; v < 256; v++) values[v] = v * 0x010203u;
    np::PixelTable table;
    np::MakePixelTable(values, table);
    for (auto _ : state) {
        np::LookUpPixels(bytes.data(), table, out.data(), count);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)count);
}

// One fading step's blend over a whole picture, apart from its repaint.
void BM_BlendStep(benchmark::State& state) {
    const size_t count = (size_t)state.range(0) * (size_t)state.range(1);
    std::vector<uint8_t> source(count), target(count);
    for (size_t i = 0; i < count; i++) {
        source[i] = (uint8_t)(i * 2654435761u >> 11);
        target[i] = (uint8_t)(i * 40503u >> 7);
    }
    int32_t divisor = 20;
    for (auto _ : state) {
        BlendStep(source.data(), target.data(), divisor, (intptr_t)count);
        divisor = divisor > 2 ? divisor - 1 : 20;
        benchmark::DoNotOptimize(source.data());
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)count);
}

void BM_ColorModeRotationAndRepaint(benchmark::State& state) { RotationStep(state, np::DisplayKind::TrueColor); }
void BM_IndexModeRotation(benchmark::State& state) { RotationStep(state, np::DisplayKind::Palette256); }

BENCHMARK(BM_NewPicture)->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorModeRotationAndRepaint)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorModeRotationAndFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookUpPixels)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendStep)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexModeRotation)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MovingStep)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformStep)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
