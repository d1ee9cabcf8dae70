// Any size and settings: the generator keeps to its exactly sized buffer and
// fills it with heights of the animated range; the chooser and the builder
// keep to a palette of the display's size.
#include "config/settings_record.h"
#include "synth/palette.h"
#include "synth/plasma.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int32_t width = input.ConsumeIntegralInRange<int32_t>(1, 700);
    const int32_t height = input.ConsumeIntegralInRange<int32_t>(1, 700);
    const int32_t palette_size = input.ConsumeIntegralInRange<int32_t>(1, 256);
    const bool palette_device = input.ConsumeBool();
    const PaletteGeometry g = MakePaletteGeometry(palette_size, palette_device);

    SettingsRecord settings;
    SaverSettingsRecord& s = settings.SaverSettings;
    s.Granularity = input.ConsumeIntegral<uint32_t>();
    s.RandomGranularity = input.ConsumeIntegral<uint8_t>();
    s.RandomPalette = input.ConsumeIntegral<uint8_t>();
    s.PredefPalette = input.ConsumeIntegral<uint8_t>();
    s.FixedPalette = input.ConsumeIntegral<uint8_t>();
    s.ContColorChange = input.ConsumeIntegral<uint8_t>();
    s.ExcludeZero = input.ConsumeIntegral<int32_t>();
    s.PsycheExtra = input.ConsumeIntegral<int32_t>();
    s.PaletteIndex = input.ConsumeIntegralInRange<uint32_t>(0, 6);
    s.Symmetry = input.ConsumeIntegral<int32_t>();
    settings.PaletteTable[s.PaletteIndex].count = input.ConsumeIntegralInRange<int32_t>(0, kKeyColorSlots);
    for (int32_t& color : settings.PaletteTable[s.PaletteIndex].colors) color = input.ConsumeIntegral<int32_t>();
    PaletteChooserRecord chooser;
    StartPaletteChooser(chooser, s);
    RandomSource random;

    // The logical palette is exactly as large as the saver makes it.
    auto palette = std::make_unique<PaletteEntryBytes[]>((size_t)g.PaletteSize + 1);
    for (int picture = 0; picture < 2; picture++) {
        ChoosePalette(chooser, s, settings.PaletteTable, g, random);
        BuildPalette(palette.get(), input.ConsumeBool(), g,
                     PaletteSlot(chooser, settings.PaletteTable, chooser.PaletteIndex), chooser.ChannelScale,
                     s.PsycheExtra, random);
    }

    const size_t cells = (size_t)width * (size_t)height;
    auto buffer = std::make_unique<uint8_t[]>(cells);
    std::fill_n(buffer.get(), cells, (uint8_t)g.FirstAnimatedIndex);
    PlasmaRun run{buffer.get(), width, height, width, g.FirstAnimatedIndex, g.AnimatedCount,
                  chooser.Granularity, s.Symmetry, input.ConsumeIntegral<uint32_t>(), &random, nullptr};
    GeneratePlasma(run, 0, 0, width - 1, height - 1, input.ConsumeBool());
    for (size_t i = 0; i < cells; i++)
        if (buffer[i] < g.FirstAnimatedIndex || buffer[i] > g.LastAnimatedIndex) {
            fprintf(stderr, "plasma_fuzz: cell %zu holds %d, outside %d-%d\n", i, buffer[i], g.FirstAnimatedIndex,
                    g.LastAnimatedIndex);
            abort();
        }
    return 0;
}
