// The image cycle: each handler does one piece of a picture's life and posts
// the next. Transitions and colour cycling attach to the messages posted here.
#include "image_cycle.h"

#include "clock.h"
#include "color_cycle.h"
#include "image_buffer.h"
#include "messages.h"
#include "picture_run.h"
#include "saver_state.h"
#include "transitions.h"

#include "config/settings.h"
#include "synth/plasma.h"

namespace {

bool TransitionsEnabled() { return SaverSettings.MovingClouds || SaverSettings.TransformingClouds; }

uint8_t* LastByteOfBuffer(int k) {
    return SaverState.BufferOrigin[k] + (intptr_t)SaverState.RowBytes * SaverState.ImageHeight - 1;
}

void CopyColorTable() {
    RGBQUAD* colors = reinterpret_cast<BITMAPINFO*>(SaverState.DisplayHeader)->bmiColors;
    const PALETTEENTRY* entries = SaverState.DisplayPalette->palPalEntry;
    for (int32_t j = 0; j < SaverState.Palette.PaletteSize; j++)
        colors[j] = {entries[j].peBlue, entries[j].peGreen, entries[j].peRed, 0};
}

}  // namespace

void NewImage(HWND window) {
    StopColorCycle();  // no rotation while the next picture is drawn
    DiscardWorker();
    BufferRotation.BufferIndex = TransitionsEnabled() && SaverState.BufferCount == 3 ? 2 : 0;
    BufferRotation.FirstTransition = true;
    NoteStopped(0, 0, 0);  // whatever had stopped, this picture replaces it
    if (!SaverSettings.NoBlank) PostMessageA(window, SSM_CLEARSCREEN, 0, 0);
    PostMessageA(window, SSM_CHOOSEPALETTE, 0, 0);
    FillImage(SaverState.BufferOrigin[0], LastByteOfBuffer(BufferRotation.BufferIndex == 2 ? 2 : 0));
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

void DrawImage(HWND window) {
    SendMessageA(window, SSM_SETPALETTE, 0, 0);
    if (!SaverState.Palette.PaletteDevice) CopyColorTable();
    SaverState.ShownImage = SaverState.BufferOrigin[BufferRotation.BufferIndex];
    const PlasmaHost host = WindowThreadHost(window);
    GeneratePlasma(PictureRun(SaverState.ShownImage, &host), 0, 0, SaverState.ImageWidth - 1,
                   SaverState.ImageHeight - 1, true);
    if (AbortRequested)
        NoteStopped(SSM_NEWIMAGE, 0, 0);  // the aborting message decides what follows
    else
        PostMessageA(window, SSM_IMAGEDONE, 0, 0);
}

void ImageDone(HWND window) {
    ColorCycle.FeedIndex = 0;
    if (EffectDue()) {
        EffectSchedule.CurrentEffect = SaverState.EffectList[EffectSchedule.EffectPosition];
        EffectSchedule.EffectPosition = (EffectSchedule.EffectPosition + 1) % SaverState.EffectCount;
        EffectSchedule.LastEffectSwitch = GetTickCount();
    }
    if (EffectSchedule.CurrentEffect == kEffectMoving || EffectSchedule.CurrentEffect == kEffectTransforming) {
        PostMessageA(window, SSM_NEXTTRANSITION, 0, 0);
        return;
    }
    if (SaverSettings.TimeOnScreen != 0) {
        UINT_PTR armed = SetTimer(window, kImageTimer, SecondsToMilliseconds(SaverSettings.TimeOnScreen), nullptr);
        SaverState.TimerArmed = (uint16_t)(armed & 0xFFFF);
    }
    ColorCycle.CycleStart = PacingTime();
    ColorCycle.LastCycleStep = ColorCycle.CycleStart;
    if (SaverSettings.PsychedelicColors) StartColorCycle(window, SaverSettings.TimeOnScreen);
}

void ImageTimer(HWND window) {
    StopColorCycle();
    KillTimer(window, kImageTimer);
    SaverState.TimerArmed = 0;
    PostMessageA(window, SSM_NEWIMAGE, 0, 0);
}

void ChooseImagePalette() { ChoosePalette(SaverState.Palette); }
