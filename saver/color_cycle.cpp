// Each step schedules the next one as the saver's paced message, due when the
// next rotation is: between rotations the thread sleeps awake for input, and
// at most one chain exists.
#include "color_cycle.h"

#include "clock.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_record.h"

namespace {

uint32_t Delay(const SaverRecord& saver) {
    const int32_t delay = saver.Settings.SaverSettings.PsycheDelay;
    return delay > 0 ? (uint32_t)delay : 0;
}

void ScheduleStep(SaverRecord& saver, uint32_t limit, uint32_t due) {
    PostMessageAt(saver.PacedMessage, saver.Window, SSM_CYCLESTEP, limit, 0, due);
}

void ChooseByMessage(SaverRecord& saver) { SendMessageA(saver.Window, SSM_CHOOSEPALETTE, 0, 0); }

void Rotate(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    const PaletteGeometry& g = state.Palette;
    RotateColors(saver, ChooseByMessage);
    if (g.PaletteDevice) {
        if (saver.Effects.ContColorChange && state.FeedPalette) {
            HDC dc = GetDC(saver.Window);
            RealizePalette(dc);
            ReleaseDC(saver.Window, dc);
        }
        // The hardware palette changes at once; no pixel is drawn.
        if (state.PaletteObject)
            AnimatePalette(state.PaletteObject, (UINT)g.FirstAnimatedIndex, (UINT)g.AnimatedCount,
                           state.DisplayPalette->palPalEntry + g.FirstAnimatedIndex);
    } else {
        InvalidateRect(saver.Window, nullptr, FALSE);
        SendMessageA(saver.Window, WM_PAINT, 0, 0);
    }
}

}  // namespace

void StartColorCycle(SaverRecord& saver, uint32_t limit) { ScheduleStep(saver, limit, PacingTime()); }

void ColorCycleStep(SaverRecord& saver, uint32_t limit) {
    ColorCycleRecord& cycle = saver.ColorCycle;
    const uint32_t now = PacingTime();
    if (limit != 0 && now - cycle.CycleStart >= SecondsToMilliseconds(limit)) return;
    MSG head;
    if (PeekMessageA(&head, nullptr, 0, 0, PM_NOREMOVE) && head.hwnd == saver.Window &&
        (head.message == WM_CLOSE || head.message == WM_DESTROY)) {
        NoteStopped(saver, SSM_CYCLESTEP, limit, 0);  // the close may yet be refused
        return;
    }
    const uint32_t delay = Delay(saver);
    const uint32_t since = now - cycle.LastCycleStep;
    if (since < delay) {
        ScheduleStep(saver, limit, cycle.LastCycleStep + delay);
        return;
    }
    // The cadence stays one delay per rotation: a step that comes a little
    // late does not push the next one later; one far behind starts afresh.
    cycle.LastCycleStep = since < 2 * delay ? cycle.LastCycleStep + delay : now;
    Rotate(saver);
    ScheduleStep(saver, limit, cycle.LastCycleStep + delay);
}

void StopColorCycle(SaverRecord& saver) {
    if (saver.PacedMessage.Pending && saver.PacedMessage.Message == SSM_CYCLESTEP)
        CancelPacedMessage(saver.PacedMessage);
}
