#include "render_pictures.h"

#include "saver/color_rotation.h"
#include "saver/index_table.h"
#include "synth/plasma.h"
#include "synth/random.h"

#include "config/settings.h"

#include <algorithm>

namespace {

constexpr int kColorTableBytes = 1024;

// What each pixel value shows: in index mode the palette position its index
// table entry names, in colour mode its entry of the colour table.
void ShownColors(const std::vector<PaletteEntryBytes>& palette, const uint8_t* color_table, const PaletteGeometry& g,
                 const uint8_t* index_table, RenderedPicture& out) {
    for (int32_t j = 0; j < 256; j++) {
        if (!g.PaletteDevice) {
            const uint8_t* c = color_table + 4 * j;
            out.colors[j] = {c[2], c[1], c[0], 0};
            continue;
        }
        const int32_t position = j < g.PaletteSize ? IndexTableEntry(index_table, j) : -1;
        out.colors[j] = position >= 0 && position < g.PaletteSize
                            ? PaletteEntryBytes{palette[position].red, palette[position].green, palette[position].blue, 0}
                            : PaletteEntryBytes{0, 0, 0, 0};
    }
}

// The colour table of colour mode, as a picture's drawing sets it: the palette, then black.
void CopyColorTable(const std::vector<PaletteEntryBytes>& palette, const PaletteGeometry& g, uint8_t* table) {
    std::fill(table, table + kColorTableBytes, 0);
    for (int32_t j = 0; j < g.PaletteSize; j++) {
        table[4 * j] = palette[j].blue;
        table[4 * j + 1] = palette[j].green;
        table[4 * j + 2] = palette[j].red;
    }
}

void ChooseNextPalette(void* geometry) { ChoosePalette(*static_cast<const PaletteGeometry*>(geometry)); }

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
    std::vector<PaletteEntryBytes> palette((size_t)g.PaletteSize + 1), feed_palette((size_t)g.PaletteSize + 1);
    uint8_t color_table[kColorTableBytes];

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
        CopyColorTable(palette, g, color_table);
        // The colours flow as in the saver, a feed starting afresh with each picture.
        uint32_t feed_index = 0;
        PaletteGeometry feed_geometry = g;
        const ColorFeed feed = {SaverSettings.ContColorChange ? feed_palette.data() : nullptr, &feed_index,
                                ChooseNextPalette, &feed_geometry};
        for (uint32_t step = 0; step < options.cycle_steps; step++) {
            if (g.PaletteDevice)
                RotatePaletteEntries(palette.data(), g, feed);
            else
                RotateColorTable(color_table, g, SaverSettings.PsycheExtra, feed);
        }
        ShownColors(palette, color_table, g, index_table, out);
        if (!picture(k, out)) break;
    }
    return true;
}
