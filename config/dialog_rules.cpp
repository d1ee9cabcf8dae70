#include "dialog_rules.h"

#include <cctype>

int32_t ScrolledPosition(const ScrollRecord& bar, int32_t position, int request, int32_t thumb) {
    int32_t change = 0;
    switch (request) {
        case kLineLeft: change = -1; break;
        case kLineRight: change = 1; break;
        case kPageLeft: change = (bar.Min - bar.Max) / bar.Div; break;
        case kPageRight: change = (bar.Max - bar.Min) / bar.Div; break;
        case kThumbPosition:
        case kThumbTrack: change = (int32_t)(uint16_t)thumb - position; break;
        default: break;  // SB_LEFT, SB_RIGHT, SB_ENDSCROLL
    }
    int32_t next = position + change;
    if (next < bar.Min) next = bar.Min;
    if (next > bar.Max) next = bar.Max;
    return next;
}

uint32_t NumberFromText(const char* text) {
    if (!text) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ') p++;
    if (!isdigit(*p)) return 0;
    uint64_t value = 0;
    for (; isdigit(*p); p++) {
        value = value * 10 + (uint64_t)(*p - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    while (*p == ' ') p++;
    return *p ? 0 : (uint32_t)value;
}

void StoreDialogValues(const DialogValues& v, SaverSettingsRecord& s) {
    s.TimeOnScreen = v.Infinite ? 0 : v.TimeOnScreen;
    s.Granularity = v.Granularity;
    s.PaletteIndex = v.PaletteNumber - 1u;  // no range test: the next load folds it into 0-6
    s.EffectCycle = (int32_t)v.EffectCycle;
    s.RandomPalette = v.RandomPalette;
    s.PredefPalette = v.PredefPalette;
    s.FixedPalette = v.FixedPalette;
    s.ContColorChange = v.ContColorChange;
    if (!v.RandomPalette && !v.PredefPalette && !v.FixedPalette) s.RandomPalette = 1;
    s.RandomGranularity = v.RandomGranularity;
    s.MovingClouds = v.Moving;
    s.MovingSpeed = v.Speed;
    s.PsychedelicColors = v.Psychedelic;
    s.PsycheDelay = v.Delay;
    s.TransformingClouds = v.Transforming;
    s.TransformSteps = v.TransformSteps >= 2 ? (int32_t)v.TransformSteps : 1;
    s.NoBlank = v.NoBlank;
    s.ExcludeZero = v.ExcludeZero;
    s.PsycheExtra = v.Extra >= 0 ? v.Extra : 0;
    s.Symmetry = v.Symmetry >= 0 ? v.Symmetry : 0;
}
