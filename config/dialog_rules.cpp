#include "dialog_rules.h"

#include <cctype>

int32_t ScrolledPosition(const ScrollRecord& bar, int32_t position, int request, int32_t thumb) {
    int32_t change = 0;
    switch (request) {
        case kLineLeft: change = -1; break;
        case kLineRight: change = 1; break;
        case kPageLeft: change = (bar.min - bar.max) / bar.div; break;
        case kPageRight: change = (bar.max - bar.min) / bar.div; break;
        case kThumbPosition:
        case kThumbTrack: change = (int32_t)(uint16_t)thumb - position; break;
        default: break;  // SB_LEFT, SB_RIGHT, SB_ENDSCROLL
    }
    int32_t next = position + change;
    if (next < bar.min) next = bar.min;
    if (next > bar.max) next = bar.max;
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
    s.TimeOnScreen = v.infinite ? 0 : v.time_on_screen;
    s.Granularity = v.granularity;
    s.PaletteIndex = v.palette_number - 1u;  // no range test: the next load folds it into 0-6
    s.EffectCycle = (int32_t)v.effect_cycle;
    s.RandomPalette = v.random_palette;
    s.PredefPalette = v.predef_palette;
    s.FixedPalette = v.fixed_palette;
    s.ContColorChange = v.cont_color_change;
    if (!v.random_palette && !v.predef_palette && !v.fixed_palette) s.RandomPalette = 1;
    s.RandomGranularity = v.random_granularity;
    s.MovingClouds = v.moving;
    s.MovingSpeed = v.speed;
    s.PsychedelicColors = v.psychedelic;
    s.PsycheDelay = v.delay;
    s.TransformingClouds = v.transforming;
    s.TransformSteps = v.transform_steps >= 2 ? (int32_t)v.transform_steps : 1;
    s.NoBlank = v.no_blank;
    s.ExcludeZero = v.exclude_zero;
    s.PsycheExtra = v.extra >= 0 ? v.extra : 0;
    s.Symmetry = v.symmetry >= 0 ? v.symmetry : 0;
}
