// The configuration dialog's arithmetic, apart from its controls: the scroll
// bars, the number boxes and the rules that turn the controls into settings.
// Portable, so that it is tested natively as well.
#ifndef VELMORA_DIALOG_RULES_H
#define VELMORA_DIALOG_RULES_H

#include "settings_record.h"

#include <cstdint>

struct ScrollRecord {
    int32_t Max, Min, Div;
};

constexpr ScrollRecord kDelayBar = {999, 0, 20};  // 2688: PsycheDelay
constexpr ScrollRecord kSpeedBar = {240, 1, 10};  // 2689: MovingSpeed

// Scroll requests, numbered as the platform numbers them (SB_LINELEFT 0 ... SB_ENDSCROLL 8).
enum ScrollRequest { kLineLeft = 0, kLineRight = 1, kPageLeft = 2, kPageRight = 3, kThumbPosition = 4, kThumbTrack = 5 };

// The bar's new position after a request; thumb is the position a thumb request carries.
int32_t ScrolledPosition(const ScrollRecord& bar, int32_t position, int request, int32_t thumb);

// A number box read as an unsigned number: anything but digits (spaces around
// them aside), or a number past 32 bits, reads as 0.
uint32_t NumberFromText(const char* text);

// What the controls hold when OK is pressed.
struct DialogValues {
    uint32_t TimeOnScreen, Granularity, PaletteNumber, EffectCycle, TransformSteps;  // number boxes
    bool Infinite, RandomPalette, PredefPalette, FixedPalette, ContColorChange, RandomGranularity;
    bool Moving, Psychedelic, Transforming, NoBlank, ExcludeZero;
    int32_t Speed, Delay;                // thumb positions
    int32_t Extra, Symmetry;             // selected entries, -1 for none
};

// The OK rules: the settings record as the dialog stores it.
void StoreDialogValues(const DialogValues& values, SaverSettingsRecord& settings);

#endif
