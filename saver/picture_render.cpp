#include "picture_render.h"

#include "index_table.h"
#include "picture_sequence.h"
#include "saver_record.h"
#include "transition_buffers.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// What each pixel value shows: in index mode the palette position its index
// table entry names, in colour mode its entry of the colour table.
void ShownColors(const SaverStateRecord& state, const uint8_t* index_table, RenderedPicture& out) {
    const PaletteGeometry& g = state.Palette;
    const PALETTEENTRY* palette = state.DisplayPalette->palPalEntry;
    for (int32_t j = 0; j < 256; j++) {
        if (!g.PaletteDevice) {
            const uint8_t* c = state.DisplayHeader + kHeaderFieldsBytes + 4 * j;
            out.Colors[j] = {c[2], c[1], c[0], 0};
            continue;
        }
        const int32_t position = j < g.PaletteSize ? IndexTableEntry(index_table, j) : -1;
        out.Colors[j] = position >= 0 && position < g.PaletteSize
                            ? PaletteEntryBytes{palette[position].peRed, palette[position].peGreen,
                                                palette[position].peBlue, 0}
                            : PaletteEntryBytes{0, 0, 0, 0};
    }
}

// Copies buffer k (RowBytes apart, bottom-up) into the tall picture (Width
// apart, bottom-up) with its top row at tall row top_row, counted from the top.
void PlaceInTallPicture(const SaverStateRecord& state, const uint8_t* image, int32_t top_row, RenderedPicture& out) {
    const int32_t width = state.ImageWidth, height = state.ImageHeight;
    for (int32_t y = 0; y < height; y++)
        memcpy(out.Pixels.data() + (size_t)(out.Height - 1 - (top_row + y)) * width,
               image + (size_t)(height - 1 - y) * state.RowBytes, (size_t)width);
}

// The window's own pieces, as the saver's creation makes them, in memory of the renderer's.
struct Memory {
    std::vector<uint8_t> Area, Palette, Feed, Header;
};

void SetUp(SaverRecord& saver, const RenderOptions& options, Memory& memory) {
    saver.Settings = options.Settings;
    StartPictureSequence(saver);
    SaverStateRecord& state = saver.SaverState;
    state.ImageWidth = options.Width;
    state.ImageHeight = options.Height;
    state.RowBytes = RowBytesOf(options.Width);
    state.Palette = MakePaletteGeometry(options.PaletteSize, options.PaletteDevice);
    // With moving, the three stacked buffers of the saver; else one picture.
    const bool moving = options.Moving > 0;
    saver.Effects.MovingClouds = moving ? 1 : 0;
    saver.Effects.TransformingClouds = 0;
    const size_t image = (size_t)state.RowBytes * (size_t)state.ImageHeight;
    memory.Area.assign(moving ? 3 * image : image, 0);
    state.ImageArea = memory.Area.data();
    LayOutImageArea(saver, memory.Area.data(), moving ? 3 : 1);
    const size_t palette_bytes = (size_t)state.Palette.PaletteSize * 4 + 8;
    memory.Palette.assign(palette_bytes, 0);
    memory.Feed.assign(palette_bytes, 0);
    memory.Header.assign(kDisplayHeaderBytes, 0);
    state.DisplayPalette = reinterpret_cast<LOGPALETTE*>(memory.Palette.data());
    state.FeedPalette = reinterpret_cast<LOGPALETTE*>(memory.Feed.data());
    state.DisplayHeader = memory.Header.data();
    SeedRandom(saver.Random, options.SeedMs);
}

// A chain of moving transitions after the first picture, as the saver's
// handlers take it: the first target made on the window's thread, each next
// one by the worker (its own random source), each joined to the one above.
void MovingChain(SaverRecord& saver, uint32_t first_time, uint32_t transitions, RenderedPicture& out) {
    for (uint32_t j = 1; j <= transitions; j++) {
        bool make_target = false;
        const int32_t t = BeginTransition(saver, make_target);
        if (make_target)
            GeneratePlasma(PictureRun(saver, saver.SaverState.BufferOrigin[t], nullptr, first_time + j), 0, 0,
                           saver.SaverState.ImageWidth - 1, saver.SaverState.ImageHeight - 1, false);
        PlaceInTallPicture(saver.SaverState, saver.SaverState.BufferOrigin[t], (int32_t)j * (saver.SaverState.ImageHeight - 1),
                           out);
        if (j == transitions) break;
        const int32_t next = PreviousBuffer(t);
        PrepareNextBuffer(saver, next);
        MakeWorkerJob(saver, next, first_time + j + 1, nullptr);
        RunWorkerJob(saver.WorkerJob);
        PlaceWorkerPicture(saver);
        EnterTransition(saver, t);
    }
}

}  // namespace

void RenderPictures(const RenderOptions& options,
                    const std::function<bool(uint32_t, const RenderedPicture&)>& picture) {
    std::unique_ptr<SaverRecord> record(new SaverRecord);
    SaverRecord& saver = *record;
    Memory memory;
    SetUp(saver, options, memory);
    SaverStateRecord& state = saver.SaverState;
    uint8_t index_table[kColorAreaBytes] = {};
    WriteIndexTable(index_table, state.Palette, options.Settings.SaverSettings.PsycheExtra);

    RenderedPicture out;
    out.Height = options.Moving > 0 ? options.Height + (int32_t)options.Moving * (options.Height - 1) : options.Height;
    out.Pixels.resize((size_t)options.Width * (size_t)out.Height);
    for (uint32_t k = 0; k < options.Count; k++) {
        const uint32_t first_time = options.Time + k * (options.Moving + 1);
        const int32_t first = BeginPicture(saver);
        ChooseNextPalette(saver);
        BuildPictureColors(saver, reinterpret_cast<PaletteEntryBytes*>(state.DisplayPalette->palPalEntry),
                           !saver.Effects.ContColorChange);
        // The colour table of colour mode, as a picture's drawing sets it: the palette, then black.
        std::fill(state.DisplayHeader + kHeaderFieldsBytes, state.DisplayHeader + kDisplayHeaderBytes, 0);
        if (!state.Palette.PaletteDevice) CopyColorTable(saver);
        state.ShownImage = state.BufferOrigin[first];
        GeneratePlasma(PictureRun(saver, state.ShownImage, nullptr, first_time), 0, 0, state.ImageWidth - 1,
                       state.ImageHeight - 1, true);
        PlaceInTallPicture(state, state.ShownImage, 0, out);
        if (options.Moving > 0) MovingChain(saver, first_time, options.Moving, out);
        // The colours flow as in the saver, a feed starting afresh with each picture.
        saver.ColorCycle.FeedIndex = 0;
        for (uint32_t step = 0; step < options.CycleSteps; step++) RotateColors(saver, ChooseNextPalette);
        ShownColors(state, index_table, out);
        if (!picture(k, out)) break;
    }
}
