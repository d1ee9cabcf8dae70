#include "picture_run.h"

#include "clock.h"
#include "message_pump.h"
#include "saver_state.h"

#include "config/settings.h"

namespace {

void InvalidateWindowCells(void* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    RECT rect = {x1, y1, x2 + 1, y2 + 1};
    InvalidateRect(static_cast<HWND>(context), &rect, FALSE);
}

}  // namespace

EffectScheduleRecord EffectSchedule;
BufferRotationRecord BufferRotation;

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
                     host,
                     SaverState.RowBytes};
}

bool EffectDue() {
    return SaverState.EffectCount >= 1 &&
           GetTickCount() - EffectSchedule.LastEffectSwitch >= SecondsToMilliseconds(SaverSettings.EffectCycle);
}
