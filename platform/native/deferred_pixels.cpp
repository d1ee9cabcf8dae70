#include "deferred_pixels.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

namespace native_platform {

namespace {

bool IsEmpty(const DisplayRecord::Span& span) { return span.Left >= span.Right; }

void SettleRow(int y) {
    DisplayRecord::Span& span = Display.DeferredSpans[(size_t)y];
    if (IsEmpty(span)) return;
    const size_t row = (size_t)y * Display.Width + span.Left;
    LookUpPixels(Display.Indices.data() + row, ReadTableOf(kReadStored, [](uint32_t stored) { return stored; }),
                 Display.Pixels.data() + row, (size_t)(span.Right - span.Left));
    span = {};
}

// The rows' spans and the deferred area take rect in; every pixel of rect
// holds its byte, and each row's span reaches or touches rect.
void TakeIn(const RECT& rect) {
    for (LONG y = rect.top; y < rect.bottom; y++) {
        DisplayRecord::Span& span = Display.DeferredSpans[(size_t)y];
        span = IsEmpty(span) ? DisplayRecord::Span{(int)rect.left, (int)rect.right}
                             : DisplayRecord::Span{std::min<int>(span.Left, rect.left), std::max<int>(span.Right, rect.right)};
    }
    RECT& d = Display.Deferred;
    d = IsRectEmpty(&d) ? rect
                        : RECT{std::min(d.left, rect.left), std::min(d.top, rect.top), std::max(d.right, rect.right),
                               std::max(d.bottom, rect.bottom)};
}

bool Apart(const DisplayRecord::Span& span, const RECT& rect) {
    return !IsEmpty(span) && (span.Right < rect.left || span.Left > rect.right);
}

}  // namespace

void SettleRows(int top, int bottom) {
    RECT& d = Display.Deferred;
    if (IsRectEmpty(&d)) return;
    top = std::max<int>(top, d.top);
    bottom = std::min<int>(bottom, d.bottom);
    for (int y = top; y < bottom; y++) SettleRow(y);
    if (top <= d.top && bottom >= d.bottom) d = {0, 0, 0, 0};
}

uint8_t* DeferRectangle(const RECT& rect, const uint32_t colors[256]) {
    if (Display.Indices.size() != Display.Pixels.size()) {
        Display.Indices.assign(Display.Pixels.size(), 0);
        Display.DeferredSpans.assign((size_t)Display.Height, {});
    }
    RECT& d = Display.Deferred;
    const bool same_colors = memcmp(colors, Display.DeferredColors, sizeof Display.DeferredColors) == 0;
    if (!same_colors) {
        // One table for every deferred pixel: those rect does not cover go first.
        for (LONG y = d.top; y < d.bottom; y++) {
            const DisplayRecord::Span span = Display.DeferredSpans[(size_t)y];
            const bool covered = y >= rect.top && y < rect.bottom && span.Left >= rect.left && span.Right <= rect.right;
            if (!covered) SettleRow((int)y);
        }
        memcpy(Display.DeferredColors, colors, sizeof Display.DeferredColors);
        Display.ColorsVersion++;
    }
    // A span that reaches or touches the rectangle grows by it; one apart settles.
    for (LONG y = rect.top; y < rect.bottom; y++)
        if (Apart(Display.DeferredSpans[(size_t)y], rect)) SettleRow((int)y);
    TakeIn(rect);
    return Display.Indices.data() + (size_t)rect.top * Display.Width + rect.left;
}

bool AllDeferred(const RECT& rect) {
    if (Display.DeferredSpans.empty()) return false;
    for (LONG y = rect.top; y < rect.bottom; y++) {
        const DisplayRecord::Span span = Display.DeferredSpans[(size_t)y];
        if (span.Left > rect.left || span.Right < rect.right) return false;
    }
    return true;
}

bool DeferAgain(const RECT& rect) {
    if (Display.DeferredSpans.empty()) return false;
    // The deferred colours sorted, to find each stored value's byte.
    std::pair<uint32_t, uint8_t> bytes_of[256];
    for (int v = 0; v < 256; v++) bytes_of[v] = {Display.DeferredColors[v], (uint8_t)v};
    std::sort(std::begin(bytes_of), std::end(bytes_of));
    uint32_t last_stored = Display.DeferredColors[0];
    uint8_t last_byte = 0;
    for (LONG y = rect.top; y < rect.bottom; y++) {
        const DisplayRecord::Span span = Display.DeferredSpans[(size_t)y];
        if (Apart(span, rect)) return false;
        const size_t row = (size_t)y * Display.Width;
        for (LONG x = rect.left; x < rect.right; x++) {
            if (x >= span.Left && x < span.Right) continue;  // a byte already
            const uint32_t stored = Display.Pixels[row + x];
            if (stored != last_stored) {
                const auto* found = std::lower_bound(std::begin(bytes_of), std::end(bytes_of),
                                                     std::make_pair(stored, (uint8_t)0));
                if (found == std::end(bytes_of) || found->first != stored) return false;
                last_stored = stored;
                last_byte = found->second;
            }
            Display.Indices[row + x] = last_byte;
        }
    }
    TakeIn(rect);  // every pixel has its byte now
    return true;
}

uint32_t StoredAt(int x, int y) {
    const size_t at = (size_t)y * Display.Width + x;
    if (!Display.DeferredSpans.empty()) {
        const DisplayRecord::Span span = Display.DeferredSpans[(size_t)y];
        if (x >= span.Left && x < span.Right) return Display.DeferredColors[Display.Indices[at]];
    }
    return Display.Pixels[at];
}

}  // namespace native_platform
