// The image cycle: each handler does one piece of a picture's life and posts
// the next. Transitions and colour cycling attach to the messages posted here.
#include "image_cycle.h"

#include "clock.h"
#include "color_cycle.h"
#include "image_buffer.h"
#include "message_pump.h"
#include "messages.h"
#include "saver_state.h"
#include "transitions.h"

#include "config/settings.h"
#include "synth/plasma.h"

namespace {

bool TransitionsEnabled() { return SaverSettings.MovingClouds || SaverSettings.TransformingClouds; }

uint8_t* LastByteOfBuffer(int k) {
    return SaverState.BufferOrigin[k] + (intptr_t)SaverState.ImageWidth * SaverState.ImageHeight - 1;
}

void InvalidateWindowCells(void* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    RECT rect = {x1, y1, x2 + 1, y2 + 1};
    InvalidateRect(static_cast<HWND>(context), &rect, FALSE);
}

void NewImage(HWND window) {
    StopColorCycle();  // no rotation while the next picture is drawn
    DiscardWorker();
    SaverState.BufferIndex = TransitionsEnabled() && SaverState.BufferCount == 3 ? 2 : 0;
    SaverState.FirstTransition = true;
    NoteStopped(0, 0, 0);  // whatever had stopped, this picture replaces it
    if (!SaverSettings.NoBlank) PostMessageA(window, SSM_CLEARSCREEN, 0, 0);
    PostMessageA(window, SSM_CHOOSEPALETTE, 0, 0);
    FillImage(SaverState.BufferOrigin[0], LastByteOfBuffer(SaverState.BufferIndex == 2 ? 2 : 0));
    PostMessageA(window, SSM_DRAWIMAGE, 0, 0);
}

void ClearScreen(HWND window) {
    HDC dc = GetDC(window);
    FillRect(dc, &SaverState.ClientRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
}

void SetPalette() {
    LOGPALETTE* palette = SaverState.DisplayPalette;
    BuildPalette(reinterpret_cast<PaletteEntryBytes*>(palette->palPalEntry), !SaverSettings.ContColorChange,
                 SaverState.Palette);
    if (!SaverState.PaletteObject)
        SaverState.PaletteObject = CreatePalette(palette);
    else
        SetPaletteEntries(SaverState.PaletteObject, 0, palette->palNumEntries, palette->palPalEntry);
    if (!SaverState.PaletteObject) PostQuitMessage(0);
}

void CopyColorTable() {
    RGBQUAD* colors = reinterpret_cast<BITMAPINFO*>(SaverState.DisplayHeader)->bmiColors;
    const PALETTEENTRY* entries = SaverState.DisplayPalette->palPalEntry;
    for (int32_t j = 0; j < SaverState.Palette.PaletteSize; j++)
        colors[j] = {entries[j].peBlue, entries[j].peGreen, entries[j].peRed, 0};
}

void DrawImage(HWND window) {
    SendMessageA(window, SSM_SETPALETTE, 0, 0);
    if (!SaverState.Palette.PaletteDevice) CopyColorTable();
    SaverState.ShownImage = SaverState.BufferOrigin[SaverState.BufferIndex];
    const PlasmaHost host = WindowThreadHost(window);
    GeneratePlasma(PictureRun(SaverState.ShownImage, &host), 0, 0, SaverState.ImageWidth - 1,
                   SaverState.ImageHeight - 1, true);
    if (AbortRequested)
        NoteStopped(SSM_NEWIMAGE, 0, 0);  // the aborting message decides what follows
    else
        PostMessageA(window, SSM_IMAGEDONE, 0, 0);
}

void ImageDone(HWND window) {
    SaverState.FeedIndex = 0;
    if (EffectDue()) {
        SaverState.CurrentEffect = SaverState.EffectList[SaverState.EffectPosition];
        SaverState.EffectPosition = (SaverState.EffectPosition + 1) % SaverState.EffectCount;
        SaverState.LastEffectSwitch = GetTickCount();
    }
    if (SaverState.CurrentEffect == kEffectMoving || SaverState.CurrentEffect == kEffectTransforming) {
        PostMessageA(window, SSM_NEXTTRANSITION, 0, 0);
        return;
    }
    if (SaverSettings.TimeOnScreen != 0) {
        UINT_PTR armed = SetTimer(window, kImageTimer, SecondsToMilliseconds(SaverSettings.TimeOnScreen), nullptr);
        SaverState.TimerArmed = (uint16_t)(armed & 0xFFFF);
    }
    SaverState.CycleStart = GetTickCount();
    SaverState.LastCycleStep = GetTickCount();
    if (SaverSettings.PsychedelicColors) StartColorCycle(window, SaverSettings.TimeOnScreen);
}

void ImageTimer(HWND window) {
    StopColorCycle();
    KillTimer(window, kImageTimer);
    SaverState.TimerArmed = 0;
    PostMessageA(window, SSM_NEWIMAGE, 0, 0);
}

}  // namespace

PlasmaHost WindowThreadHost(HWND window) {
    return PlasmaHost{window, [](void*) { PumpMessages(); }, [](void*) { return AbortRequested.load(); },
                      InvalidateWindowCells};
}

PlasmaRun PictureRun(uint8_t* buffer, const PlasmaHost* host) {
    return PlasmaRun{buffer,
                     SaverState.ImageWidth,
                     SaverState.ImageHeight,
                     SaverState.Palette.FirstAnimatedIndex,
                     SaverState.Palette.AnimatedCount,
                     SaverSettings.Granularity,
                     SaverSettings.Symmetry,
                     CalendarSeconds(),
                     host};
}

bool EffectDue() {
    return SaverState.EffectCount >= 1 &&
           GetTickCount() - SaverState.LastEffectSwitch >= SecondsToMilliseconds(SaverSettings.EffectCycle);
}

bool HandleImageCycle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case SSM_NEWIMAGE:
            NewImage(window);
            return true;
        case SSM_CLEARSCREEN:
            ClearScreen(window);
            return true;
        case SSM_CHOOSEPALETTE:
            ChoosePalette(SaverState.Palette);
            return true;
        case SSM_SETPALETTE:
            SetPalette();
            return true;
        case SSM_DRAWIMAGE:
            DrawImage(window);
            return true;
        case SSM_IMAGEDONE:
            ImageDone(window);
            return true;
        case WM_TIMER:
            ImageTimer(window);
            return true;
        case SSM_CYCLESTEP:
            ColorCycleStep(window, (uint32_t)wparam);
            return true;
        case SSM_NEXTTRANSITION:
            NextTransition(window);
            return true;
        case SSM_MOVESTEP:
            MoveStep(window, lparam);
            return true;
        case SSM_TRANSFORMSTEP:
            TransformStep(window, lparam);
            return true;
        default:
            return false;
    }
}
