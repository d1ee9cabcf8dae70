// GDI on an in-memory display of one of three kinds: a 256-entry palette
// device (pixels hold hardware palette indices and are read through the
// hardware palette, so AnimatePalette shows at once), a 16-colour display
// without palette, and true colour.
#include "state.h"

#include <algorithm>
#include <cstring>

namespace native_platform {

Display display;

namespace {

HGDIOBJ__ black_brush = {false, {}};
bool fail_palettes = false;
std::vector<std::unique_ptr<HGDIOBJ__>> palettes;  // live palette objects

// The 16 colours of a 16-colour display.
const uint32_t kVgaColours[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                  0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

uint32_t Rgb(int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b); }
uint32_t Rgb(const PALETTEENTRY& e) { return Rgb(e.peRed, e.peGreen, e.peBlue); }

int Distance(uint32_t a, uint32_t b) {
    int dr = (int)(a >> 16 & 255) - (int)(b >> 16 & 255), dg = (int)(a >> 8 & 255) - (int)(b >> 8 & 255),
        db = (int)(a & 255) - (int)(b & 255);
    return dr * dr + dg * dg + db * db;
}

uint32_t NearestVga(uint32_t colour) {
    return *std::min_element(std::begin(kVgaColours), std::end(kVgaColours),
                             [colour](uint32_t a, uint32_t b) { return Distance(a, colour) < Distance(b, colour); });
}

uint32_t NearestHardwareIndex(uint32_t colour) {
    uint32_t best = 0;
    for (uint32_t i = 1; i < 256; i++)
        if (Distance(Rgb(display.hardware[i]), colour) < Distance(Rgb(display.hardware[best]), colour)) best = i;
    return best;
}

// What a display pixel stores for a colour.
uint32_t Stored(uint32_t colour) {
    if (IsPaletteDevice()) return NearestHardwareIndex(colour);
    if (display.kind == DisplayKind::Colours16) return NearestVga(colour);
    return colour;
}

// Hardware index of logical entry k of a realised palette.
uint32_t HardwareIndex(HPALETTE palette, uint32_t k) {
    if (!palette || k >= palette->entries.size()) return 0;
    const PALETTEENTRY& e = palette->entries[k];
    return (e.peFlags & PC_EXPLICIT) ? e.peRed : std::min<uint32_t>(k, 255);
}

// The window's client area on the screen, clipped to the screen.
RECT VisibleArea(HWND window) {
    POINT origin = ClientOrigin(window);
    return {std::max<LONG>(origin.x, 0), std::max<LONG>(origin.y, 0),
            std::min<LONG>(origin.x + window->width, display.width),
            std::min<LONG>(origin.y + window->height, display.height)};
}

void Plot(HWND window, const RECT& visible, int x, int y, uint32_t stored) {
    POINT origin = ClientOrigin(window);
    int sx = origin.x + x, sy = origin.y + y;
    if (sx < visible.left || sx >= visible.right || sy < visible.top || sy >= visible.bottom) return;
    display.pixels[(size_t)sy * display.width + sx] = stored;
}

}  // namespace

bool IsPaletteDevice() {
    return display.kind == DisplayKind::Palette256 || display.kind == DisplayKind::HugePalette;
}

void FailPalettes(bool fail) { fail_palettes = fail; }

void ResetDisplay(DisplayKind kind, int width, int height) {
    fail_palettes = false;
    palettes.clear();
    display.kind = kind;
    display.width = width;
    display.height = height;
    display.pixels.assign((size_t)width * height, 0);
    for (int i = 0; i < 256; i++) display.hardware[i] = {0, 0, 0, 0};
    for (int i = 0; i < 8; i++) {  // the system colours at both ends
        uint32_t low = kVgaColours[i], high = kVgaColours[8 + i];
        display.hardware[i] = {(BYTE)(low >> 16), (BYTE)(low >> 8), (BYTE)low, 0};
        display.hardware[248 + i] = {(BYTE)(high >> 16), (BYTE)(high >> 8), (BYTE)high, 0};
    }
}

uint32_t ScreenPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= display.width || y >= display.height) return 0;
    uint32_t stored = display.pixels[(size_t)y * display.width + x];
    return IsPaletteDevice() ? Rgb(display.hardware[stored & 255]) : stored;
}

}  // namespace native_platform

using namespace native_platform;

int GetDeviceCaps(HDC, int index) {
    switch (display.kind) {
        case DisplayKind::Palette256:
            return index == SIZEPALETTE ? 256 : index == NUMCOLORS ? 20 : index == RASTERCAPS ? RC_PALETTE : 0;
        case DisplayKind::HugePalette:
            return index == SIZEPALETTE ? 1024 : index == NUMCOLORS ? 20 : index == RASTERCAPS ? RC_PALETTE : 0;
        case DisplayKind::Colours16:
            return index == NUMCOLORS ? 16 : 0;
        case DisplayKind::TrueColour:
            return index == NUMCOLORS ? -1 : 0;
        case DisplayKind::NoColours:
        default:
            return 0;
    }
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (fail_palettes || !palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
    palettes.push_back(std::make_unique<HGDIOBJ__>(
        HGDIOBJ__{true, std::vector<PALETTEENTRY>(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries)}));
    return palettes.back().get();
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!palette || !palette->is_palette || !entries || start >= palette->entries.size()) return 0;
    count = std::min<UINT>(count, (UINT)palette->entries.size() - start);
    std::copy(entries, entries + count, palette->entries.begin() + start);
    return count;
}

// Changes reserved entries and, on a palette device, the hardware palette at once.
BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!palette || !palette->is_palette || !entries || start >= palette->entries.size()) return FALSE;
    count = std::min<UINT>(count, (UINT)palette->entries.size() - start);
    for (UINT i = 0; i < count; i++) {
        PALETTEENTRY& target = palette->entries[start + i];
        if (!(target.peFlags & PC_RESERVED)) continue;
        target = entries[i];
        if (IsPaletteDevice() && start + i < 256) display.hardware[start + i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
    }
    return TRUE;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    if (!dc || !palette || !palette->is_palette) return nullptr;
    HPALETTE previous = dc->palette;
    dc->palette = palette;
    return previous;
}

// Realising maps logical entry k to hardware entry k; explicit entries keep the system's colour.
UINT RealizePalette(HDC dc) {
    if (!dc || !dc->palette || !IsPaletteDevice()) return 0;
    UINT changed = 0;
    const std::vector<PALETTEENTRY>& entries = dc->palette->entries;
    for (size_t k = 0; k < entries.size() && k < 256; k++) {
        if (entries[k].peFlags & PC_EXPLICIT) continue;
        display.hardware[k] = {entries[k].peRed, entries[k].peGreen, entries[k].peBlue, 0};
        changed++;
    }
    return changed;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto it = std::find_if(palettes.begin(), palettes.end(), [object](const auto& p) { return p.get() == object; });
    if (it == palettes.end()) return FALSE;
    palettes.erase(it);
    return TRUE;
}

HGDIOBJ GetStockObject(int index) { return index == BLACK_BRUSH ? &black_brush : nullptr; }
int SetMapMode(HDC, int) { return MM_TEXT; }

int FillRect(HDC dc, const RECT* rect, HBRUSH) {
    if (!dc || !rect || !LiveWindow(dc->window)) return 0;
    const RECT visible = VisibleArea(dc->window);
    for (int y = rect->top; y < rect->bottom; y++)
        for (int x = rect->left; x < rect->right; x++) Plot(dc->window, visible, x, y, 0);
    return 1;
}

// 8-bit device-independent bitmaps, bottom-up: scan line i (counted from the
// bottom) is at bits + (i - start_scan) * stride, stride rounded up to 4 bytes.
int SetDIBitsToDevice(HDC dc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src, int y_src,
                      UINT start_scan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
    if (!dc || !bits || !info || !LiveWindow(dc->window) || info->bmiHeader.biBitCount != 8 ||
        info->bmiHeader.biHeight <= 0)
        return 0;
    const int dib_width = info->bmiHeader.biWidth;
    const size_t stride = ((size_t)dib_width + 3) & ~(size_t)3;
    uint32_t colours[256];
    const auto* table = reinterpret_cast<const uint8_t*>(info->bmiColors);
    for (int v = 0; v < 256; v++) {
        if (usage == DIB_PAL_COLORS) {
            uint32_t logical = (uint32_t)(table[2 * v] | table[2 * v + 1] << 8);
            if (IsPaletteDevice())
                colours[v] = HardwareIndex(dc->palette, logical);
            else
                colours[v] = dc->palette && logical < dc->palette->entries.size()
                                 ? Stored(Rgb(dc->palette->entries[logical]))
                                 : 0;
        } else {
            colours[v] = Stored(Rgb(table[4 * v + 2], table[4 * v + 1], table[4 * v]));
        }
    }
    const RECT visible = VisibleArea(dc->window);
    const auto* source = static_cast<const uint8_t*>(bits);
    for (DWORD row = 0; row < height; row++) {
        const long scan = (long)y_src + (long)(height - 1 - row);  // counted from the bottom
        if (scan < (long)start_scan || scan >= (long)start_scan + (long)lines) continue;
        const uint8_t* line = source + (size_t)(scan - start_scan) * stride;
        for (DWORD column = 0; column < width; column++) {
            const long sx = (long)x_src + (long)column;
            if (sx < 0 || sx >= dib_width) continue;
            Plot(dc->window, visible, x_dest + (int)column, y_dest + (int)row, colours[line[sx]]);
        }
    }
    return (int)lines;
}

// Moves the window's pixels by (dx, dy) and invalidates what was uncovered.
BOOL ScrollWindow(HWND window, int dx, int dy, const RECT*, const RECT*) {
    if (!LiveWindow(window)) return FALSE;
    const RECT visible = VisibleArea(window);
    const int w = visible.right - visible.left, h = visible.bottom - visible.top;
    if (w <= 0 || h <= 0) return TRUE;
    std::vector<uint32_t> copy(display.pixels);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int from_x = x - dx, from_y = y - dy;
            if (from_x < 0 || from_y < 0 || from_x >= w || from_y >= h) continue;
            display.pixels[(size_t)(visible.top + y) * display.width + visible.left + x] =
                copy[(size_t)(visible.top + from_y) * display.width + visible.left + from_x];
        }
    RECT uncovered = dy < 0 ? RECT{0, window->height + dy, window->width, window->height}
                            : RECT{0, 0, window->width, dy};
    if (dy != 0) InvalidateRect(window, &uncovered, TRUE);
    return TRUE;
}
