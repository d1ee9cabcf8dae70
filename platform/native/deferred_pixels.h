// 8-bit bitmaps kept on the display as their bytes until their colours are
// needed (see DisplayRecord::Indices): the display's bookkeeping of them, and
// how its readers see through it.
#ifndef VELMORA_NATIVE_DEFERRED_PIXELS_H
#define VELMORA_NATIVE_DEFERRED_PIXELS_H

#include "pixel_lookup.h"
#include "state.h"

namespace native_platform {

// Makes rect (display pixels, on the display) deferred with these stored
// values for its bytes, and returns where its top-left byte goes in Indices
// (its rows are Display.Width apart); the caller writes every byte of it.
// Deferred pixels of other colours outside rect, and those of a row that
// neither reach nor touch rect, are settled first.
uint8_t* DeferRectangle(const RECT& rect, const uint32_t colors[256]);

// Turns the deferred pixels of display rows [top, bottom) into stored values.
void SettleRows(int top, int bottom);

// Whether every pixel of rect (on the display) is deferred.
bool AllDeferred(const RECT& rect);

// Makes every pixel of rect (on the display) deferred when each one's stored
// value is among the deferred colours (a picture drawn in pieces, some of
// them settled since); false, and nothing deferred anew, when one is not.
bool DeferAgain(const RECT& rect);

// The stored value of a pixel on the display.
uint32_t StoredAt(int x, int y);

// Who reads deferred bytes, each through a table of its own.
enum DeferredReader { kReadStored, kReadColors, kReadRgb, kReadRgba };

// The reader's table of the deferred bytes' values through convert, made
// again only after the colours changed.
template <typename Convert>
const PixelTable& ReadTableOf(DeferredReader reader, Convert convert) {
    DisplayRecord::ReadTable& cached = Display.ReadTables[reader];
    if (cached.Version != Display.ColorsVersion) {
        uint32_t values[256];
        for (int v = 0; v < 256; v++) values[v] = convert(Display.DeferredColors[v]);
        MakePixelTable(values, cached.Table);
        cached.Version = Display.ColorsVersion;
    }
    return cached.Table;
}

// Display row y from x0 to x1 into out, each stored value through convert
// (the reader's); deferred pixels are read from their bytes and stay deferred.
template <typename Convert>
void ReadRow(int y, int x0, int x1, uint32_t* out, DeferredReader reader, Convert convert) {
    const uint32_t* stored = Display.Pixels.data() + (size_t)y * Display.Width;
    int inside0 = x1, inside1 = x1;  // the deferred part of the row, if any
    if (!Display.DeferredSpans.empty()) {
        const DisplayRecord::Span span = Display.DeferredSpans[(size_t)y];
        if (x0 < span.Right && span.Left < x1 && span.Left < span.Right) {
            inside0 = span.Left > x0 ? span.Left : x0;
            inside1 = span.Right < x1 ? span.Right : x1;
        }
    }
    for (int x = x0; x < inside0; x++) *out++ = convert(stored[x]);
    if (inside0 < inside1) {
        LookUpPixels(Display.Indices.data() + (size_t)y * Display.Width + inside0, ReadTableOf(reader, convert), out,
                     (size_t)(inside1 - inside0));
        out += inside1 - inside0;
    }
    for (int x = inside1; x < x1; x++) *out++ = convert(stored[x]);
}

}  // namespace native_platform

#endif
