// GDI for native builds, drawing on an in-memory display.
// Implements: GetDeviceCaps (SIZEPALETTE, NUMCOLORS, RASTERCAPS, VREFRESH), CreatePalette,
// SetPaletteEntries, AnimatePalette, SelectPalette, RealizePalette, DeleteObject
// (palettes), GetStockObject (BLACK_BRUSH), SetMapMode (MM_TEXT), FillRect (black),
// SetDIBitsToDevice (8-bit bottom-up, DIB_PAL_COLORS or DIB_RGB_COLORS),
// ScrollWindow (whole client area, up or down), CreateSolidBrush (a colour or a
// PALETTEINDEX), SelectObject (brushes, the null pen), Rectangle (with the null pen).
//
// The display is of one of these kinds: a 256-entry palette device (pixels hold
// hardware palette indices and are read through the hardware palette, so
// AnimatePalette shows at once), a 16-colour display without palette, true
// colour, one reporting no colours, and one reporting a 1024-entry palette.
// Drawing on a window's context reaches only its visible client area and,
// between BeginPaint and EndPaint, only the update region.
#include "deferred_pixels.h"
#include "state.h"
#include "test_hooks.h"  // what tests control and observe is implemented here too

#include <algorithm>
#include <cstring>

namespace native_platform {

DisplayRecord Display;

namespace {

struct GdiState {
    bool FailPalettes = false;
    std::vector<std::unique_ptr<HGDIOBJ__>> Palettes;  // live palette objects
    std::vector<std::unique_ptr<HGDIOBJ__>> Brushes;   // live brushes
};

GdiState Gdi;
HGDIOBJ__ BlackBrush = {false, {}, true, 0};
HGDIOBJ__ NullPen = {false, {}, false, 0};

// The 16 colours of a 16-colour display.
const COLORREF kVgaColors[16] = {
    RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0), RGB(0, 0, 128),   RGB(128, 0, 128),
    RGB(0, 128, 128), RGB(192, 192, 192), RGB(128, 128, 128), RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 255, 0),
    RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

COLORREF ColorOf(const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

int Distance(COLORREF a, COLORREF b) {
    int dr = GetRValue(a) - GetRValue(b), dg = GetGValue(a) - GetGValue(b), db = GetBValue(a) - GetBValue(b);
    return dr * dr + dg * dg + db * db;
}

COLORREF NearestVga(COLORREF color) {
    return *std::min_element(std::begin(kVgaColors), std::end(kVgaColors),
                             [color](COLORREF a, COLORREF b) { return Distance(a, color) < Distance(b, color); });
}

uint32_t NearestHardwareIndex(COLORREF color) {
    uint32_t best = 0;
    for (uint32_t i = 1; i < 256; i++)
        if (Distance(ColorOf(Display.Hardware[i]), color) < Distance(ColorOf(Display.Hardware[best]), color)) best = i;
    return best;
}

// What a display pixel stores for a colour.
uint32_t Stored(COLORREF color) {
    if (IsPaletteDevice()) return NearestHardwareIndex(color);
    if (Display.Kind == DisplayKind::Colors16) return NearestVga(color);
    return color;
}

// Hardware index of logical entry k of a realised palette.
uint32_t HardwareIndex(HPALETTE palette, uint32_t k) {
    if (!palette || k >= palette->Entries.size()) return 0;
    const PALETTEENTRY& e = palette->Entries[k];
    return (e.peFlags & PC_EXPLICIT) ? e.peRed : std::min<uint32_t>(k, 255);
}

// Where a window's client origin lies among the display's pixels.
POINT DisplayPlace(HWND window) {
    const POINT origin = ClientOrigin(window);
    return {origin.x - Display.Left, origin.y - Display.Top};
}

// Calls paint(x0, x1) for the runs of client row y, between client columns
// from and to (exclusive), that the context may draw on.
template <typename Paint>
void ForEachDrawableRun(HDC dc, int y, int from, int to, Paint paint) {
    HWND window = dc->Window;
    const POINT origin = DisplayPlace(window);
    // The client area, and of it what lies on the screen.
    const int left = std::max({from, 0, -origin.x});
    const int right = std::min({to, window->Width, Display.Width - origin.x});
    if (y < 0 || y >= window->Height || origin.y + y < 0 || origin.y + y >= Display.Height || left >= right) return;
    auto paint_run = [&](int x0, int x1) {
        MarkChanged(origin.x + x0, origin.y + y, origin.x + x1, origin.y + y + 1);
        paint(x0, x1);
    };
    if (!dc->Clipped) {
        paint_run(left, right);
        return;
    }
    for (const RECT& r : dc->Clip) {
        if (y < r.top || y >= r.bottom) continue;
        const int x0 = std::max<int>(left, r.left), x1 = std::min<int>(right, r.right);
        if (x0 < x1) paint_run(x0, x1);
    }
}

// Narrows the client rows [top, bottom) to those drawing can reach: on the
// screen, in the client area and, between BeginPaint and EndPaint, in the
// update region. A paint of a few rows of a tall window then costs those rows.
void NarrowToDrawableRows(HDC dc, int& top, int& bottom) {
    const int origin_y = DisplayPlace(dc->Window).y;
    top = std::max({top, 0, -origin_y});
    bottom = std::min({bottom, dc->Window->Height, Display.Height - origin_y});
    if (!dc->Clipped) return;
    int clip_top = INT32_MAX, clip_bottom = INT32_MIN;
    for (const RECT& r : dc->Clip) {
        clip_top = std::min<int>(clip_top, r.top);
        clip_bottom = std::max<int>(clip_bottom, r.bottom);
    }
    top = std::max(top, clip_top);
    bottom = std::min(bottom, clip_bottom);
}

// Index into the screen's pixels of client cell (0, y); client column x is at this + x.
ptrdiff_t ScreenRow(HWND window, int y) {
    const POINT origin = DisplayPlace(window);
    return (ptrdiff_t)(origin.y + y) * Display.Width + origin.x;
}

// The display rectangle that drawing on client rows [top, bottom) (narrowed
// to the drawable ones) between client columns from and to reaches: true, and
// drawn (empty if nothing), when it is one rectangle; false when the update
// region makes it another shape.
bool DrawnRectangle(HDC dc, int top, int bottom, int from, int to, RECT& drawn) {
    HWND window = dc->Window;
    const POINT origin = DisplayPlace(window);
    RECT client = {std::max({from, 0, -(int)origin.x}), top,
                   std::min({to, window->Width, Display.Width - (int)origin.x}), bottom};
    if (dc->Clipped) {
        if (dc->Clip.size() != 1) return false;
        const RECT& c = dc->Clip[0];
        client = {std::max(client.left, c.left), std::max(client.top, c.top), std::min(client.right, c.right),
                  std::min(client.bottom, c.bottom)};
    }
    drawn = {0, 0, 0, 0};
    if (client.left < client.right && client.top < client.bottom)
        drawn = {client.left + origin.x, client.top + origin.y, client.right + origin.x, client.bottom + origin.y};
    return true;
}

// The byte whose deferred colour is this stored value (trying hint first), or -1.
int DeferredByteOf(uint32_t stored, int hint) {
    if (Display.DeferredSpans.empty()) return -1;  // no bitmap yet: no colours to keep bytes in
    if (hint >= 0 && hint < 256 && Display.DeferredColors[hint] == stored) return hint;
    for (int v = 0; v < 256; v++)
        if (Display.DeferredColors[v] == stored) return v;
    return -1;
}

// Every drawable pixel of the area (right and bottom exclusive) gets this
// stored value: as a byte among deferred pixels when their colours have it
// (the progressive picture's rectangles), else as itself.
void FillArea(HDC dc, const RECT& area, uint32_t stored, int hint = -1) {
    int top = area.top, bottom = area.bottom;
    NarrowToDrawableRows(dc, top, bottom);
    if (top >= bottom) return;
    RECT drawn;
    const int byte = DeferredByteOf(stored, hint);
    if (byte >= 0 && DrawnRectangle(dc, top, bottom, area.left, area.right, drawn)) {
        if (IsRectEmpty(&drawn)) return;
        uint8_t* bytes = DeferRectangle(drawn, Display.DeferredColors);
        for (LONG y = drawn.top; y < drawn.bottom; y++)
            memset(bytes + (size_t)(y - drawn.top) * Display.Width, byte, (size_t)(drawn.right - drawn.left));
        MarkChanged(drawn.left, drawn.top, drawn.right, drawn.bottom);
        return;
    }
    const int origin_y = DisplayPlace(dc->Window).y;
    SettleRows(origin_y + top, origin_y + bottom);  // what it fills no longer comes from bytes
    for (int y = top; y < bottom; y++) {
        const ptrdiff_t row = ScreenRow(dc->Window, y);
        ForEachDrawableRun(dc, y, area.left, area.right, [&](int x0, int x1) {
            std::fill(Display.Pixels.begin() + (row + x0), Display.Pixels.begin() + (row + x1), stored);
        });
    }
}

// A bitmap over a rectangle of the display is kept as bytes (see Deferred);
// false when what it reaches is no rectangle, and nothing was drawn then.
bool DeferDrawing(HDC dc, int x_dest, int y_dest, DWORD height, int x_src, int y_src, UINT start_scan, UINT lines,
                  size_t stride, const uint8_t* source, int from, int to, int top, int bottom,
                  const uint32_t colors[256]) {
    // Every row from top to bottom must have its scan line in the bitmap.
    auto scan_of = [&](int y) { return (long)y_src + (long)(height - 1 - (DWORD)(y - y_dest)); };
    for (int y : {top, bottom - 1})
        if (scan_of(y) < (long)start_scan || scan_of(y) >= (long)start_scan + (long)lines) return false;
    RECT drawn;
    if (!DrawnRectangle(dc, top, bottom, from, to, drawn)) return false;
    if (IsRectEmpty(&drawn)) return true;  // nothing reached
    const POINT origin = DisplayPlace(dc->Window);
    const RECT client = {drawn.left - origin.x, drawn.top - origin.y, drawn.right - origin.x, drawn.bottom - origin.y};
    uint8_t* bytes = DeferRectangle(drawn, colors);
    for (LONG y = client.top; y < client.bottom; y++) {
        const uint8_t* line = source + (size_t)(scan_of(y) - start_scan) * stride;
        memcpy(bytes + (size_t)(y - client.top) * Display.Width, line + (x_src + client.left - x_dest),
               (size_t)(client.right - client.left));
    }
    MarkChanged(drawn.left, drawn.top, drawn.right, drawn.bottom);
    return true;
}

}  // namespace

bool IsPaletteDevice() {
    return Display.Kind == DisplayKind::Palette256 || Display.Kind == DisplayKind::HugePalette;
}

void FailPalettes(bool fail) { Gdi.FailPalettes = fail; }
size_t LiveGdiObjects() { return Gdi.Palettes.size() + Gdi.Brushes.size(); }

void ResetDisplay(DisplayKind kind, int width, int height) {
    Gdi = GdiState{};
    OpenDisplay(kind, width, height);
}

void MarkChanged(int left, int top, int right, int bottom) {
    RECT& c = Display.Changed;
    if (c.left >= c.right || c.top >= c.bottom) {
        c = {left, top, right, bottom};
        return;
    }
    c = {std::min<LONG>(c.left, left), std::min<LONG>(c.top, top), std::max<LONG>(c.right, right),
         std::max<LONG>(c.bottom, bottom)};
}

RECT TakeChangedArea() {
    const RECT area = Display.Changed;
    Display.Changed = {0, 0, 0, 0};
    return area;
}

int DisplayWidth() { return Display.Width; }
int DisplayHeight() { return Display.Height; }
POINT DisplayOrigin() { return {Display.Left, Display.Top}; }

namespace {

uint32_t RgbOfColor(COLORREF c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// A piece of display row y for a reader: each pixel's colour (a palette
// device's through the hardware palette) as finish makes it.
template <typename Finish>
void ReadScreenRow(const char* call, int y, int x0, int x1, uint32_t* out, DeferredReader reader, Finish finish) {
    if (y < 0 || y >= Display.Height || x0 < 0 || x1 > Display.Width || x0 > x1)
        Unimplemented(call, "a row piece off the display");
    if (!IsPaletteDevice())
        ReadRow(y, x0, x1, out, reader, [&](uint32_t stored) { return finish(stored); });
    else
        ReadRow(y, x0, x1, out, reader,
                [&](uint32_t stored) { return finish(ColorOf(Display.Hardware[stored & 255])); });
}

}  // namespace

void ScreenRowColors(int y, int x0, int x1, COLORREF* out) {
    ReadScreenRow("ScreenRowColors", y, x0, x1, out, kReadColors, [](COLORREF c) { return c; });
}

void ScreenRowRgba(int y, int x0, int x1, uint32_t* out) {
    ReadScreenRow("ScreenRowRgba", y, x0, x1, out, kReadRgba, [](COLORREF c) { return c | 0xFF000000u; });
}

void ScreenRowRgb(int y, int x0, int x1, uint32_t* out) {
    ReadScreenRow("ScreenRowRgb", y, x0, x1, out, kReadRgb, RgbOfColor);
}

void OpenDisplay(DisplayKind kind, int width, int height, int refresh_hz) {
    OpenMonitors(kind, {RECT{0, 0, width, height}}, refresh_hz);
}

void OpenMonitors(DisplayKind kind, const std::vector<RECT>& monitors, int refresh_hz, RECT beside) {
    if (monitors.empty()) Unimplemented("OpenMonitors", "a display without monitors");
    if (refresh_hz < 0) Unimplemented("OpenMonitors", "a negative refresh rate");  // 0 and 1: the hardware's default
    if (monitors[0].left != 0 || monitors[0].top != 0) Unimplemented("OpenMonitors", "a primary monitor off (0, 0)");
    for (const RECT& m : monitors)
        if (m.left >= m.right || m.top >= m.bottom) Unimplemented("OpenMonitors", "an empty monitor");
    const RECT screen = BoundingBox(monitors);
    RECT box = screen;
    if (beside.left < beside.right && beside.top < beside.bottom) {
        if (beside.left < screen.right && screen.left < beside.right && beside.top < screen.bottom &&
            screen.top < beside.bottom)
            Unimplemented("OpenMonitors", "an area beside the screen that overlaps it");
        box = BoundingBox({screen, beside});
    }
    Display = DisplayRecord{};
    Display.VirtualScreen = screen;
    Display.Kind = kind;
    Display.Left = box.left;
    Display.Top = box.top;
    Display.Width = box.right - box.left;
    Display.Height = box.bottom - box.top;
    Display.Monitors = monitors;
    Display.RefreshHz = refresh_hz;
    Display.Pixels.assign((size_t)Display.Width * Display.Height, 0);
    for (int i = 0; i < 8; i++) {  // the system colours at both ends
        COLORREF low = kVgaColors[i], high = kVgaColors[8 + i];
        Display.Hardware[i] = {GetRValue(low), GetGValue(low), GetBValue(low), 0};
        Display.Hardware[248 + i] = {GetRValue(high), GetGValue(high), GetBValue(high), 0};
    }
}

COLORREF ScreenPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= Display.Width || y >= Display.Height) return 0;
    const uint32_t stored = StoredAt(x, y);
    return IsPaletteDevice() ? ColorOf(Display.Hardware[stored & 255]) : stored;
}

}  // namespace native_platform

using namespace native_platform;

int GetDeviceCaps(HDC, int index) {
    if (index == VREFRESH) return Display.RefreshHz;
    if (index != SIZEPALETTE && index != NUMCOLORS && index != RASTERCAPS) Unimplemented("GetDeviceCaps", "this index");
    switch (Display.Kind) {
        case DisplayKind::Palette256:
            return index == SIZEPALETTE ? 256 : index == NUMCOLORS ? 20 : RC_PALETTE;
        case DisplayKind::HugePalette:
            return index == SIZEPALETTE ? 1024 : index == NUMCOLORS ? 20 : RC_PALETTE;
        case DisplayKind::Colors16:
            return index == NUMCOLORS ? 16 : 0;
        case DisplayKind::TrueColor:
            return index == NUMCOLORS ? -1 : 0;
        case DisplayKind::NoColors:
        default:
            return 0;
    }
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (Gdi.FailPalettes || !palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
    Gdi.Palettes.push_back(std::make_unique<HGDIOBJ__>(
        HGDIOBJ__{true, std::vector<PALETTEENTRY>(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries)}));
    return Gdi.Palettes.back().get();
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!palette || !palette->IsPalette || !entries || start >= palette->Entries.size()) return 0;
    count = std::min<UINT>(count, (UINT)palette->Entries.size() - start);
    std::copy(entries, entries + count, palette->Entries.begin() + start);
    return count;
}

// Changes reserved entries only and, on a palette device, the hardware palette at once.
BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!palette || !palette->IsPalette || !entries || start >= palette->Entries.size()) return FALSE;
    count = std::min<UINT>(count, (UINT)palette->Entries.size() - start);
    for (UINT i = 0; i < count; i++) {
        PALETTEENTRY& target = palette->Entries[start + i];
        if (!(target.peFlags & PC_RESERVED)) continue;
        target = entries[i];
        if (IsPaletteDevice() && start + i < 256) {
            Display.Hardware[start + i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
            Display.ColorsVersion++;  // what the deferred bytes show
            MarkChanged(0, 0, Display.Width, Display.Height);  // every pixel of that entry
        }
    }
    return TRUE;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    if (!dc || !palette || !palette->IsPalette) return nullptr;
    HPALETTE previous = dc->Palette;
    dc->Palette = palette;
    return previous;
}

// Realising maps logical entry k to hardware entry k; explicit entries keep the system's colour.
UINT RealizePalette(HDC dc) {
    if (!dc || !dc->Palette || !IsPaletteDevice()) return 0;
    UINT changed = 0;
    const std::vector<PALETTEENTRY>& entries = dc->Palette->Entries;
    for (size_t k = 0; k < entries.size() && k < 256; k++) {
        if (entries[k].peFlags & PC_EXPLICIT) continue;
        Display.Hardware[k] = {entries[k].peRed, entries[k].peGreen, entries[k].peBlue, 0};
        changed++;
    }
    if (changed) {
        Display.ColorsVersion++;
        MarkChanged(0, 0, Display.Width, Display.Height);
    }
    return changed;
}

BOOL DeleteObject(HGDIOBJ object) {
    for (auto* list : {&Gdi.Palettes, &Gdi.Brushes}) {
        auto it = std::find_if(list->begin(), list->end(), [object](const auto& p) { return p.get() == object; });
        if (it == list->end()) continue;
        list->erase(it);
        return TRUE;
    }
    return FALSE;
}

HGDIOBJ GetStockObject(int index) {
    if (index == BLACK_BRUSH) return &BlackBrush;
    if (index == NULL_PEN) return &NullPen;
    Unimplemented("GetStockObject", "this object");
}

HBRUSH CreateSolidBrush(COLORREF color) {
    Gdi.Brushes.push_back(std::make_unique<HGDIOBJ__>(HGDIOBJ__{false, {}, true, color}));
    return Gdi.Brushes.back().get();
}

// Brushes and the null pen; returns what was selected before.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc || !object) return nullptr;
    if (object == &NullPen) {
        dc->NullPen = true;
        return &NullPen;  // no other pen exists here
    }
    if (!object->IsBrush) Unimplemented("SelectObject", "an object other than a brush or the null pen");
    HGDIOBJ previous = dc->Brush ? dc->Brush : &BlackBrush;
    dc->Brush = object;
    return previous;
}

// With the null pen a rectangle fills left ... right - 2 and top ... bottom - 2
// (the pen's width is missing at the right and bottom), as Windows documents.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    if (!dc || !LiveWindow(dc->Window)) return FALSE;
    if (!dc->NullPen) Unimplemented("Rectangle", "drawing with a pen");
    const HGDIOBJ__* brush = dc->Brush ? dc->Brush : &BlackBrush;
    uint32_t stored;
    int hint = -1;  // the byte a palette entry's colour most likely has among deferred pixels
    if (brush->Color & 0x01000000) {  // PALETTEINDEX: the entry of the selected palette
        const uint32_t k = brush->Color & 0xFFFF;
        hint = (int)k;
        if (IsPaletteDevice())
            stored = HardwareIndex(dc->Palette, k);
        else
            stored = Stored(dc->Palette && k < dc->Palette->Entries.size() ? ColorOf(dc->Palette->Entries[k]) : 0);
    } else {
        stored = Stored(brush->Color);
    }
    FillArea(dc, RECT{left, top, right - 1, bottom - 1}, stored, hint);  // the missing pen's row and column
    return TRUE;
}

int SetMapMode(HDC, int mode) {
    if (mode != MM_TEXT) Unimplemented("SetMapMode", "this mapping mode");
    return MM_TEXT;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (brush != &BlackBrush) Unimplemented("FillRect", "a brush other than the black stock brush");
    if (!dc || !rect || !LiveWindow(dc->Window)) return 0;
    FillArea(dc, *rect, Stored(RGB(0, 0, 0)));
    return 1;
}

// 8-bit device-independent bitmaps, bottom-up: scan line i (counted from the
// bottom) is at bits + (i - start_scan) * stride, stride rounded up to 4 bytes.
int SetDIBitsToDevice(HDC dc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src, int y_src,
                      UINT start_scan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
    if (info && (info->bmiHeader.biBitCount != 8 || info->bmiHeader.biCompression != BI_RGB))
        Unimplemented("SetDIBitsToDevice", "a bitmap other than 8 bits per pixel, uncompressed");
    if (info && info->bmiHeader.biHeight <= 0) Unimplemented("SetDIBitsToDevice", "a top-down bitmap");
    if (usage != DIB_PAL_COLORS && usage != DIB_RGB_COLORS) Unimplemented("SetDIBitsToDevice", "this usage");
    if (!dc || !bits || !info || !LiveWindow(dc->Window)) return 0;
    const int dib_width = info->bmiHeader.biWidth;
    const size_t stride = ((size_t)dib_width + 3) & ~(size_t)3;
    int top = y_dest, bottom = (int)std::min<long long>((long long)y_dest + height, INT32_MAX);
    NarrowToDrawableRows(dc, top, bottom);
    if (top >= bottom) return (int)lines;  // nothing to draw: a paint of rows elsewhere
    uint32_t colors[256];
    const auto* table = reinterpret_cast<const uint8_t*>(info->bmiColors);
    for (int v = 0; v < 256; v++) {
        if (usage == DIB_PAL_COLORS) {
            uint32_t logical = (uint32_t)(table[2 * v] | table[2 * v + 1] << 8);
            if (IsPaletteDevice())
                colors[v] = HardwareIndex(dc->Palette, logical);
            else
                colors[v] = dc->Palette && logical < dc->Palette->Entries.size()
                                ? Stored(ColorOf(dc->Palette->Entries[logical]))
                                : 0;
        } else {
            colors[v] = Stored(RGB(table[4 * v + 2], table[4 * v + 1], table[4 * v]));
        }
    }
    const auto* source = static_cast<const uint8_t*>(bits);
    // Destination columns whose source column lies inside the bitmap.
    const long first_column = std::max<long>(0, -(long)x_src);
    const long end_column = std::min<long>((long)width, (long)dib_width - x_src);
    if (first_column < end_column && DeferDrawing(dc, x_dest, y_dest, height, x_src, y_src, start_scan, lines, stride,
                                                  source, x_dest + (int)first_column, x_dest + (int)end_column, top,
                                                  bottom, colors))
        return (int)lines;
    SettleRows(0, Display.Height);
    for (DWORD row = (DWORD)std::max(0, top - y_dest); (long long)row + y_dest < bottom; row++) {
        const long scan = (long)y_src + (long)(height - 1 - row);  // counted from the bottom
        if (scan < (long)start_scan || scan >= (long)start_scan + (long)lines || first_column >= end_column) continue;
        const uint8_t* line = source + (size_t)(scan - start_scan) * stride;
        const int y = y_dest + (int)row;
        const ptrdiff_t screen_row = ScreenRow(dc->Window, y);
        ForEachDrawableRun(dc, y, x_dest + (int)first_column, x_dest + (int)end_column, [&](int x0, int x1) {
            uint32_t* screen = Display.Pixels.data() + (screen_row + x0);
            const uint8_t* from = line + (x_src + x0 - x_dest);
            for (int x = x0; x < x1; x++) *screen++ = colors[*from++];
        });
    }
    return (int)lines;
}

// Moves the window's pixels up or down by dy rows and invalidates what was uncovered.
BOOL ScrollWindow(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip) {
    if (scroll || clip) Unimplemented("ScrollWindow", "a scroll or clip rectangle");
    if (dx != 0) Unimplemented("ScrollWindow", "a sideways scroll");
    if (!LiveWindow(window)) return FALSE;
    const POINT origin = DisplayPlace(window);
    const RECT visible = {std::max<LONG>(origin.x, 0), std::max<LONG>(origin.y, 0),
                          std::min<LONG>(origin.x + window->Width, Display.Width),
                          std::min<LONG>(origin.y + window->Height, Display.Height)};
    const int w = visible.right - visible.left, h = visible.bottom - visible.top;
    if (w <= 0 || h <= 0) return TRUE;
    // What is bytes, or can be again, moves as bytes: a quarter of the memory.
    const bool bytes = AllDeferred(visible) || DeferAgain(visible);
    if (!bytes) SettleRows(0, Display.Height);
    auto move = [&](int to, int from) {
        const size_t to_at = (size_t)(visible.top + to) * Display.Width + visible.left;
        const size_t from_at = (size_t)(visible.top + from) * Display.Width + visible.left;
        if (bytes)
            memcpy(Display.Indices.data() + to_at, Display.Indices.data() + from_at, (size_t)w);
        else
            memcpy(Display.Pixels.data() + to_at, Display.Pixels.data() + from_at, (size_t)w * 4);
    };
    // Rows move in the order that never reads a row already overwritten.
    if (dy != 0) MarkChanged(visible.left, visible.top, visible.right, visible.bottom);
    if (dy < 0)
        for (int y = 0; y - dy < h; y++) move(y, y - dy);
    else
        for (int y = h - 1; y - dy >= 0; y--) move(y, y - dy);
    RECT uncovered = dy < 0 ? RECT{0, window->Height + dy, window->Width, window->Height}
                            : RECT{0, 0, window->Width, dy};
    if (dy != 0) InvalidateRect(window, &uncovered, TRUE);
    return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR) { Unimplemented("LoadBitmapA", "bitmap resources"); }
HDC CreateCompatibleDC(HDC) { Unimplemented("CreateCompatibleDC", "memory device contexts"); }
BOOL DeleteDC(HDC) { Unimplemented("DeleteDC", "memory device contexts"); }
BOOL BitBlt(HDC, int, int, int, int, HDC, int, int, DWORD) { Unimplemented("BitBlt", "copies between contexts"); }
int IntersectClipRect(HDC, int, int, int, int) { Unimplemented("IntersectClipRect", "clip rectangles"); }
int SetStretchBltMode(HDC, int) { Unimplemented("SetStretchBltMode", "stretching modes"); }
BOOL SetBrushOrgEx(HDC, int, int, POINT*) { Unimplemented("SetBrushOrgEx", "brush origins"); }
BOOL StretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD) {
    Unimplemented("StretchBlt", "copies between contexts");
}
