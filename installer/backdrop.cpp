#include "backdrop.h"

#include "config/settings_record.h"
#include "saver/display_caps.h"
#include "synth/palette.h"

BackdropRecord Backdrop;

namespace {

// a / b rounded to the nearest whole number, halves up, and at least 1.
int32_t Rounded(int32_t a, int32_t b) {
    const int32_t q = (2 * a + b) / (2 * b);
    return q < 1 ? 1 : q;
}

}  // namespace

// From blue to black, open: the builder's ramp between two key colours, at full scale.
void MakeBackdropPalette(HWND window) {
    const int32_t p = QueryPaletteSize(window);  // the saver's own rule
    if (p <= 0) {
        Backdrop.Ready = false;
        return;
    }
    const PaletteGeometry g = MakePaletteGeometry(p > 256 ? 256 : p, false);
    Backdrop.First = g.FirstAnimatedIndex;
    Backdrop.Count = g.AnimatedCount;
    Backdrop.Block = LocalAlloc(LMEM_MOVEABLE, (SIZE_T)g.PaletteSize * 4 + 8);
    Backdrop.Palette = Backdrop.Block ? static_cast<LOGPALETTE*>(LocalLock(Backdrop.Block)) : nullptr;
    if (!Backdrop.Palette) {
        ReleaseBackdropPalette();
        Backdrop.Ready = false;
        return;
    }
    Backdrop.Palette->palVersion = 0x300;
    Backdrop.Palette->palNumEntries = (WORD)g.PaletteSize;
    const PaletteDefinition blue_to_black = {2, {settings_colors::kBlue, settings_colors::kBlack, -1, -1, -1, -1, -1, -1}};
    const uint8_t full_scale[3] = {255, 255, 255};
    RandomSource unused;  // nothing is drawn without "Confetti"
    BuildPalette(reinterpret_cast<PaletteEntryBytes*>(Backdrop.Palette->palPalEntry), false, g, blue_to_black,
                 full_scale, kExtraNone, unused);
    Backdrop.Object = CreatePalette(Backdrop.Palette);
    if (!Backdrop.Object) Backdrop.Ready = false;
}

void PaintBackdrop(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!Backdrop.Ready) {  // the class's black background stays
        EndPaint(window, &paint);
        return;
    }
    RECT client;
    GetClientRect(window, &client);
    const int32_t width = client.right - client.left + 1, height = client.bottom - client.top + 1;
    int32_t band = Rounded(height, Backdrop.Count);
    int32_t y = client.top;
    SelectPalette(dc, Backdrop.Object, FALSE);
    RealizePalette(dc);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
    for (int32_t i = 0; i < Backdrop.Count; i++) {
        HBRUSH brush = CreateSolidBrush(PALETTEINDEX(Backdrop.First + i));
        HGDIOBJ previous = SelectObject(dc, brush);
        // With the null pen the band's own rows are y ... y + band - 1.
        Rectangle(dc, 0, y - 1, width, y + band + 1);
        SelectObject(dc, previous);
        y += band;
        band = Rounded(client.bottom - y + 1, Backdrop.Count - i);
        DeleteObject(brush);
    }
    SelectObject(dc, pen);
    EndPaint(window, &paint);
}

void ReleaseBackdropPalette() {
    if (Backdrop.Object) DeleteObject(Backdrop.Object);
    Backdrop.Object = nullptr;
    if (Backdrop.Block) {
        LocalUnlock(Backdrop.Block);
        LocalFree(Backdrop.Block);
    }
    Backdrop.Block = nullptr;
    Backdrop.Palette = nullptr;
}
