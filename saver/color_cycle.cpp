// Each step schedules the next one as the paced message of the loop, due when
// the next rotation is: between rotations the thread sleeps awake for input,
// and at most one chain exists.
#include "color_cycle.h"

#include "clock.h"
#include "color_rotation.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_state.h"

#include "config/settings.h"

ColorCycleRecord ColorCycle;

namespace {

uint32_t Delay() { return SaverSettings.PsycheDelay > 0 ? (uint32_t)SaverSettings.PsycheDelay : 0; }

void ScheduleStep(HWND window, uint32_t limit, uint32_t due) { PostMessageAt(window, SSM_CYCLESTEP, limit, 0, due); }

void ChooseByMessage(void* window) { SendMessageA(static_cast<HWND>(window), SSM_CHOOSEPALETTE, 0, 0); }

void Rotate(HWND window) {
    const PaletteGeometry& g = SaverState.Palette;
    const bool feeding = SaverSettings.ContColorChange && SaverState.FeedPalette;
    const ColorFeed feed = {
        feeding ? reinterpret_cast<PaletteEntryBytes*>(SaverState.FeedPalette->palPalEntry) : nullptr,
        &ColorCycle.FeedIndex, ChooseByMessage, window};
    if (g.PaletteDevice) {
        PALETTEENTRY* entries = SaverState.DisplayPalette->palPalEntry;
        RotatePaletteEntries(reinterpret_cast<PaletteEntryBytes*>(entries), g, feed);
        if (feeding) {
            HDC dc = GetDC(window);
            RealizePalette(dc);
            ReleaseDC(window, dc);
        }
        // The hardware palette changes at once; no pixel is drawn.
        if (SaverState.PaletteObject)
            AnimatePalette(SaverState.PaletteObject, (UINT)g.FirstAnimatedIndex, (UINT)g.AnimatedCount,
                           entries + g.FirstAnimatedIndex);
    } else {
        RotateColorTable(SaverState.DisplayHeader + kHeaderFieldsBytes, g, SaverSettings.PsycheExtra, feed);
        InvalidateRect(window, nullptr, FALSE);
        SendMessageA(window, WM_PAINT, 0, 0);
    }
}

}  // namespace

void StartColorCycle(HWND window, uint32_t limit) {
    ScheduleStep(window, limit, PacingTime());
}

void ColorCycleStep(HWND window, uint32_t limit) {
    const uint32_t now = PacingTime();
    if (limit != 0 && now - ColorCycle.CycleStart >= SecondsToMilliseconds(limit)) return;
    MSG head;
    if (PeekMessageA(&head, nullptr, 0, 0, PM_NOREMOVE) && (head.message == WM_CLOSE || head.message == WM_DESTROY)) {
        NoteStopped(SSM_CYCLESTEP, limit, 0);  // the close may yet be refused
        return;
    }
    const uint32_t delay = Delay();
    const uint32_t since = now - ColorCycle.LastCycleStep;
    if (since < delay) {
        ScheduleStep(window, limit, ColorCycle.LastCycleStep + delay);
        return;
    }
    // The cadence stays one delay per rotation: a step that comes a little
    // late does not push the next one later; one far behind starts afresh.
    ColorCycle.LastCycleStep = since < 2 * delay ? ColorCycle.LastCycleStep + delay : now;
    Rotate(window);
    ScheduleStep(window, limit, ColorCycle.LastCycleStep + delay);
}

void StopColorCycle() {
    if (PacedMessage.Pending && PacedMessage.Message == SSM_CYCLESTEP) CancelPacedMessage();
}
