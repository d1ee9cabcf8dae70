// Speed of the synthesis: one whole picture, and the palette operations.
#include "config/settings_record.h"
#include "synth/palette.h"
#include "synth/plasma.h"
#include "synth/random.h"
#include "plain_plasma.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

void BM_GeneratePlasma(benchmark::State& state) {
    const int32_t width = (int32_t)state.range(0), height = (int32_t)state.range(1);
    std::vector<uint8_t> buffer((size_t)width * height);
    RandomSource random;
    PlasmaRun run{buffer.data(), width, height, width, 10, 236, 5, 0, 1700000000u, &random, nullptr};
    for (auto _ : state) {
        std::fill(buffer.begin(), buffer.end(), (uint8_t)10);
        GeneratePlasma(run, 0, 0, width - 1, height - 1, true);
        benchmark::DoNotOptimize(buffer.data());
        run.CalendarTime++;
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_GeneratePlasma)->Args({640, 480})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
// Pictures of one row or one column against a square one of the same area:
// each should take about the same time.
BENCHMARK(BM_GeneratePlasma)->Args({1, 8192})->Args({8192, 1})->Args({2, 8192})->Args({90, 91})->Unit(benchmark::kMicrosecond);

// Ours against the rules written plainly (plain_plasma.h), silent, in one
// run: the same picture from both, checked once before timing.
void BM_GeneratePlasmaSilent(benchmark::State& state) {
    const int32_t width = (int32_t)state.range(0), height = (int32_t)state.range(1);
    std::vector<uint8_t> buffer((size_t)width * height, 10), plain_buffer = buffer;
    RandomSource random;
    PlasmaRun run{buffer.data(), width, height, width, 10, 236, 5, 0, 1700000000u, &random, nullptr};
    GeneratePlasma(run, 0, 0, width - 1, height - 1, false);
    plain::Generate(plain_buffer.data(), width, height, 10, 236, DisplacementShift(236), 5, 1700000000u);
    if (buffer != plain_buffer) {
        state.SkipWithError("the plain generator makes another picture");
        return;
    }
    for (auto _ : state) {
        std::fill(buffer.begin(), buffer.end(), (uint8_t)10);
        GeneratePlasma(run, 0, 0, width - 1, height - 1, false);
        benchmark::DoNotOptimize(buffer.data());
        run.CalendarTime++;  // a new picture each time, as the saver makes them
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_GeneratePlasmaSilent)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void BM_GeneratePlasmaPlainly(benchmark::State& state) {
    const int32_t width = (int32_t)state.range(0), height = (int32_t)state.range(1);
    std::vector<uint8_t> buffer((size_t)width * height);
    uint32_t seconds = 1700000000u;
    for (auto _ : state) {
        std::fill(buffer.begin(), buffer.end(), (uint8_t)10);
        plain::Generate(buffer.data(), width, height, 10, 236, DisplacementShift(236), 5, seconds++);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_GeneratePlasmaPlainly)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void BM_BuildPalette(benchmark::State& state) {
    const SettingsRecord settings;
    const PaletteGeometry g = MakePaletteGeometry(256, false);
    const uint8_t scale[3] = {255, 255, 255};
    RandomSource random;
    PaletteEntryBytes palette[257];
    for (auto _ : state) {
        BuildPalette(palette, true, g, settings.PaletteTable[1], scale, kExtraNone, random);  // eight key colours
        benchmark::DoNotOptimize(palette);
    }
}
BENCHMARK(BM_BuildPalette);

void BM_ChoosePalette(benchmark::State& state) {
    const SettingsRecord settings;
    PaletteChooserRecord chooser;
    StartPaletteChooser(chooser, settings.SaverSettings);
    const PaletteGeometry g = MakePaletteGeometry(256, false);
    RandomSource random;
    for (auto _ : state) {
        ChoosePalette(chooser, settings.SaverSettings, settings.PaletteTable, g, random);
        benchmark::DoNotOptimize(chooser.PaletteIndex);
    }
}
BENCHMARK(BM_ChoosePalette);

}  // namespace

BENCHMARK_MAIN();
