// The saver's pictures without a window: consecutive still pictures (after
// some steps of colour cycling, if asked), or the tall picture a chain of
// moving transitions scrolls through. The picture sequence is driven directly,
// on one thread, the worker's part too: the same pictures the saver shows.
#ifndef VELMORA_PICTURE_RENDER_H
#define VELMORA_PICTURE_RENDER_H

#include "config/settings_record.h"
#include "synth/palette.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

struct RenderOptions {
    int32_t Width = 0;
    int32_t Height = 0;
    SettingsRecord Settings;  // the built-in ones unless a caller reads a file into them
    int32_t PaletteSize = 256;
    bool PaletteDevice = false;
    uint32_t SeedMs = 0;       // the millisecond the window's random source is seeded with
    uint32_t Time = 0;         // the calendar time of the first picture
    uint32_t Count = 1;
    uint32_t CycleSteps = 0;   // colour-cycling steps, each one rotation, after each picture
    uint32_t Moving = 0;       // moving transitions after each picture: a tall picture of them all
};

struct RenderedPicture {
    int32_t Height = 0;                            // rows: the window's, or the tall picture's
    std::vector<uint8_t> Pixels;                   // Width x Height, rows bottom-up
    std::array<PaletteEntryBytes, 256> Colors{};  // what each pixel value shows on that display
};

// Calls picture for k = 0 ... Count - 1; stops early when it returns false.
// Picture k is generated at the calendar time Time + k (Moving + 1), and
// generation j of its moving chain at Time + k (Moving + 1) + j.
void RenderPictures(const RenderOptions& options,
                    const std::function<bool(uint32_t k, const RenderedPicture& picture)>& picture);

#endif
