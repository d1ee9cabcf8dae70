// The image cycle: each handler does one piece of a picture's life and posts
// the next. Transitions and colour cycling attach to the messages posted here;
// the picture sequence says what each piece is.
#include "image_cycle.h"

#include "clock.h"
#include "color_cycle.h"
#include "message_pump.h"
#include "messages.h"
#include "saver_record.h"
#include "transitions.h"

#include "synth/plasma.h"

namespace {

void InvalidateWindowCells(void* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    RECT rect = {x1, y1, x2 + 1, y2 + 1};
    InvalidateRect(static_cast<SaverRecord*>(context)->Window, &rect, FALSE);
}

}  // namespace

// How a generation on the window's thread lets the window's messages through,
// learns of an abort, and has finished parts of a progressive picture shown.
PlasmaHost WindowThreadHost(SaverRecord& saver) {
    return PlasmaHost{&saver, [](void* s) { PumpMessages(*static_cast<SaverRecord*>(s)); },
                      [](void* s) { return static_cast<SaverRecord*>(s)->AbortRequested.load(); },
                      InvalidateWindowCells};
}

void NewImage(SaverRecord& saver) {
    StopColorCycle(saver);  // no rotation while the next picture is drawn
    DiscardWorker(saver);
    NoteStopped(saver, 0, 0, 0);  // whatever had stopped, this picture replaces it
    if (!saver.Settings.SaverSettings.NoBlank) PostMessageA(saver.Window, SSM_CLEARSCREEN, 0, 0);
    PostMessageA(saver.Window, SSM_CHOOSEPALETTE, 0, 0);
    BeginPicture(saver);
    PostMessageA(saver.Window, SSM_DRAWIMAGE, 0, 0);
}

void ClearScreen(SaverRecord& saver) {
    HDC dc = GetDC(saver.Window);
    FillRect(dc, &saver.SaverState.ClientRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(saver.Window, dc);
}

void SetPalette(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    LOGPALETTE* palette = state.DisplayPalette;
    BuildPictureColors(saver, reinterpret_cast<PaletteEntryBytes*>(palette->palPalEntry),
                       !saver.Effects.ContColorChange);
    if (!state.PaletteObject)
        state.PaletteObject = CreatePalette(palette);
    else
        SetPaletteEntries(state.PaletteObject, 0, palette->palNumEntries, palette->palPalEntry);
    if (!state.PaletteObject) PostQuitMessage(0);
}

void DrawImage(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    SendMessageA(saver.Window, SSM_SETPALETTE, 0, 0);
    if (!state.Palette.PaletteDevice) CopyColorTable(saver);
    state.ShownImage = state.BufferOrigin[saver.BufferRotation.BufferIndex];
    const PlasmaHost host = WindowThreadHost(saver);
    GeneratePlasma(PictureRun(saver, state.ShownImage, &host, CalendarSeconds()), 0, 0, state.ImageWidth - 1,
                   state.ImageHeight - 1, true);
    if (saver.AbortRequested)
        NoteStopped(saver, SSM_NEWIMAGE, 0, 0);  // the aborting message decides what follows
    else
        PostMessageA(saver.Window, SSM_IMAGEDONE, 0, 0);
}

void ImageDone(SaverRecord& saver) {
    saver.ColorCycle.FeedIndex = 0;
    SwitchEffectIfDue(saver);
    const int32_t effect = saver.EffectSchedule.CurrentEffect;
    if (effect == kEffectMoving || effect == kEffectTransforming) {
        PostMessageA(saver.Window, SSM_NEXTTRANSITION, 0, 0);
        return;
    }
    const uint32_t time_on_screen = saver.Settings.SaverSettings.TimeOnScreen;
    if (time_on_screen != 0) {
        UINT_PTR armed = SetTimer(saver.Window, kImageTimer, SecondsToMilliseconds(time_on_screen), nullptr);
        saver.SaverState.TimerArmed = (uint16_t)(armed & 0xFFFF);
    }
    saver.ColorCycle.CycleStart = PacingTime();
    saver.ColorCycle.LastCycleStep = saver.ColorCycle.CycleStart;
    if (saver.Effects.PsychedelicColors) StartColorCycle(saver, time_on_screen);
}

void ImageTimer(SaverRecord& saver) {
    StopColorCycle(saver);
    KillTimer(saver.Window, kImageTimer);
    saver.SaverState.TimerArmed = 0;
    PostMessageA(saver.Window, SSM_NEWIMAGE, 0, 0);
}

void ChooseImagePalette(SaverRecord& saver) { ChooseNextPalette(saver); }
