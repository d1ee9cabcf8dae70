#include "color_rotation.h"

#include "config/settings_record.h"

#include <cstring>

namespace {

// The next colour of the feed, built afresh whenever the feed starts over.
const PaletteEntryBytes& NextFeedColor(const PaletteGeometry& g, const ColorFeed& feed) {
    if (*feed.Index == 0) feed.NextPalette(feed.Context, feed.Palette);
    return feed.Palette[g.FirstAnimatedIndex + (int32_t)(*feed.Index % (uint32_t)g.AnimatedCount)];
}

void AdvanceFeed(const PaletteGeometry& g, const ColorFeed& feed, uint32_t by) {
    *feed.Index = (*feed.Index + by) % (uint32_t)g.AnimatedCount;
}

}  // namespace

void RotatePaletteEntries(PaletteEntryBytes* entries, const PaletteGeometry& g, const ColorFeed& feed) {
    if (g.AnimatedCount <= 0) return;
    const PaletteEntryBytes saved = entries[g.FirstAnimatedIndex];
    // Reads the spare entry just past the range; its copy is overwritten next.
    memmove(entries + g.FirstAnimatedIndex, entries + g.FirstAnimatedIndex + 1,
            (size_t)g.AnimatedCount * sizeof(PaletteEntryBytes));
    if (!feed.Palette) {
        entries[g.LastAnimatedIndex] = saved;
        return;
    }
    entries[g.LastAnimatedIndex] = NextFeedColor(g, feed);
    AdvanceFeed(g, feed, 1);
}

void RotateColorTable(uint8_t* colors, const PaletteGeometry& g, int32_t psyche_extra, const ColorFeed& feed) {
    if (g.AnimatedCount <= 0) return;
    const bool pairs = (psyche_extra == kExtraPepper || psyche_extra == kExtraConfetti) && g.AnimatedCount >= 2;
    const int32_t pair = pairs ? 1 : 0;
    uint8_t* first = colors + 4 * g.FirstAnimatedIndex;
    uint8_t saved[4];
    memcpy(saved, first, 4);
    const int32_t moved = g.AnimatedCount - 1 - pair;
    if (moved > 0) memmove(first, first + 4 * (1 + pair), 4 * (size_t)moved);
    uint8_t* incoming = colors + 4 * (g.LastAnimatedIndex - pair);
    if (!feed.Palette) {
        memcpy(incoming, saved, 4);
        return;
    }
    const PaletteEntryBytes& next = NextFeedColor(g, feed);
    const uint8_t color[4] = {next.Blue, next.Green, next.Red, 0};
    memcpy(incoming, color, 4);
    AdvanceFeed(g, feed, (uint32_t)(1 + pair));
}
