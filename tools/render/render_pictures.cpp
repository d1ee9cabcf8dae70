#include "render_pictures.h"

#include "saver/color_rotation.h"
#include "saver/transition_buffers.h"
#include "saver/index_table.h"
#include "synth/plasma.h"
#include "synth/random.h"

#include "config/settings.h"

#include <algorithm>
#include <cstring>
#include <thread>

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

// Copies an image of height rows into the tall picture (both bottom-up) with
// its top row at tall row top_row, counted from the tall picture's top.
void PlaceInTallPicture(const uint8_t* image, int32_t width, int32_t height, int32_t top_row,
                        std::vector<uint8_t>& tall, int32_t tall_height) {
    for (int32_t y = 0; y < height; y++)
        memcpy(tall.data() + (size_t)(tall_height - 1 - (top_row + y)) * width, image + (size_t)(height - 1 - y) * width,
               (size_t)width);
}

// The pictures of a chain of moving transitions after the first one, in the
// stacked buffers as the saver makes them: generation 1 on this thread, the
// rest on a thread of their own, each joined to the one above by a shared row.
void RenderMovingChain(const RenderOptions& options, int32_t width, const PaletteGeometry& g, uint32_t first_time,
                       uint8_t* const origins[3], std::vector<uint8_t>& tall, int32_t tall_height) {
    const int32_t height = options.height;
    int32_t k = 2;  // the first picture was drawn into buffer 2
    for (uint32_t j = 1; j <= options.moving; j++) {
        k = PreviousBuffer(k);
        PrepareImageRows(origins, k, width, height, (uint8_t)g.FirstAnimatedIndex);
        const PlasmaRun run{origins[k], width, height, g.FirstAnimatedIndex, g.AnimatedCount,
                            SaverSettings.Granularity, SaverSettings.Symmetry, first_time + j, nullptr};
        auto generate = [&] { GeneratePlasma(run, 0, 0, width - 1, height - 1, false); };
        if (j == 1)
            generate();
        else
            std::thread(generate).join();  // the worker's random source is its own
        PlaceInTallPicture(origins[k], width, height, (int32_t)j * (height - 1), tall, tall_height);
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
    std::vector<PaletteEntryBytes> palette((size_t)g.PaletteSize + 1), feed_palette((size_t)g.PaletteSize + 1);
    uint8_t color_table[kColorTableBytes];

    // With moving, the three stacked buffers of the saver; else one picture.
    // The rows hold the picture's width exactly: nothing here is drawn.
    const int32_t width = options.width, height = options.height;
    const size_t image_bytes = (size_t)width * (size_t)height;
    const bool moving = options.moving > 0;
    std::vector<uint8_t> area(moving ? (size_t)width * (size_t)(3 * height - 2) : image_bytes);
    uint8_t* const origins[3] = {area.data(), area.data() + (moving ? image_bytes - width : 0),
                                 area.data() + (moving ? 2 * (image_bytes - width) : 0)};
    RenderedPicture out;
    out.height = moving ? height + (int32_t)options.moving * (height - 1) : height;
    out.pixels.resize((size_t)width * (size_t)out.height);
    SeedRandom(options.seed_ms);
    for (uint32_t k = 0; k < options.count; k++) {
        const uint32_t first_time = options.time + k * (options.moving + 1);
        ChoosePalette(g);
        BuildPalette(palette.data(), !SaverSettings.ContColorChange, g);
        std::fill(area.begin(), area.end(), (uint8_t)g.FirstAnimatedIndex);
        uint8_t* first = origins[moving ? 2 : 0];
        PlasmaRun run{first, width, height, g.FirstAnimatedIndex, g.AnimatedCount,
                      SaverSettings.Granularity, SaverSettings.Symmetry, first_time, nullptr};
        GeneratePlasma(run, 0, 0, width - 1, height - 1, true);
        if (moving) {
            PlaceInTallPicture(first, width, height, 0, out.pixels, out.height);
            RenderMovingChain(options, width, g, first_time, origins, out.pixels, out.height);
        } else {
            memcpy(out.pixels.data(), first, image_bytes);
        }
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
