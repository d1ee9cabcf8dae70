// Plays consecutive still pictures of a saver on one thread, as the saver
// window's thread would, without a window.
#ifndef VELMORA_RENDER_PICTURES_H
#define VELMORA_RENDER_PICTURES_H

#include "synth/palette.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RenderOptions {
    int32_t width = 0;
    int32_t height = 0;
    std::string settings_file;  // empty: the built-in defaults
    int32_t palette_size = 256;
    bool palette_device = false;
    uint32_t seed_ms = 0;
    uint32_t time = 0;
    uint32_t count = 1;
    uint32_t cycle_steps = 0;  // colour-cycling steps, each one rotation, after each picture
    uint32_t moving = 0;       // moving transitions after each picture: a tall picture of them all
};

struct RenderedPicture {
    int32_t height = 0;                            // rows: the window's, or the tall picture's
    std::vector<uint8_t> pixels;                   // width x height, rows bottom-up
    std::array<PaletteEntryBytes, 256> colors{};  // what each pixel value shows on that display
};

// Calls picture for k = 0 ... count - 1; stops early when it returns false.
// Returns false when the settings file cannot be used.
bool RenderPictures(const RenderOptions& options,
                    const std::function<bool(uint32_t k, const RenderedPicture& picture)>& picture);

#endif
