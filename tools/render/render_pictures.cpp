#include "render_pictures.h"

#include "saver/index_table.h"
#include "synth/plasma.h"
#include "synth/random.h"

#include "config/settings.h"

namespace {

void ShownColors(const std::vector<PaletteEntryBytes>& palette, const PaletteGeometry& g, const uint8_t* index_table,
                  RenderedPicture& out) {
    for (int32_t j = 0; j < 256; j++) {
        int32_t position = j < g.PaletteSize ? j : -1;
        if (position >= 0 && g.PaletteDevice) position = IndexTableEntry(index_table, j);
        out.colors[j] = position >= 0 && position < g.PaletteSize
                             ? PaletteEntryBytes{palette[position].red, palette[position].green, palette[position].blue, 0}
                             : PaletteEntryBytes{0, 0, 0, 0};
    }
}

}  // namespace

bool RenderPictures(const RenderOptions& options,
                    const std::function<bool(uint32_t, const RenderedPicture&)>& picture) {
    UseDefaultSettings();
    PaletteChooser = PaletteChooserRecord{};
    LoadSettingNames();
    if (!options.settings_file.empty()) {
        if (!UseSettingsFile(options.settings_file.c_str())) return false;
        ReadSettings();
    }
    const PaletteGeometry g = MakePaletteGeometry(options.palette_size, options.palette_device);
    uint8_t index_table[kColorAreaBytes] = {};
    WriteIndexTable(index_table, g, SaverSettings.PsycheExtra);
    std::vector<PaletteEntryBytes> palette((size_t)g.PaletteSize + 1);

    RenderedPicture out;
    out.pixels.resize((size_t)options.width * (size_t)options.height);
    SeedRandom(options.seed_ms);
    for (uint32_t k = 0; k < options.count; k++) {
        ChoosePalette(g);
        BuildPalette(palette.data(), !SaverSettings.ContColorChange, g);
        std::fill(out.pixels.begin(), out.pixels.end(), (uint8_t)g.FirstAnimatedIndex);
        PlasmaRun run{out.pixels.data(), options.width, options.height, g.FirstAnimatedIndex, g.AnimatedCount,
                      SaverSettings.Granularity, SaverSettings.Symmetry, options.time + k, nullptr};
        GeneratePlasma(run, 0, 0, options.width - 1, options.height - 1, true);
        ShownColors(palette, g, index_table, out);
        if (!picture(k, out)) break;
    }
    return true;
}
