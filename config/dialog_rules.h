// The configuration dialog's arithmetic, apart from its controls: the scroll
// bars, the number boxes and the rules that turn the controls into settings.
// Portable, so that it is tested natively as well.
#ifndef VELMORA_DIALOG_RULES_H
#define VELMORA_DIALOG_RULES_H

#include "settings_record.h"

#include <cstdint>

struct ScrollRecord {
    int32_t max, min, div;
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
    uint32_t time_on_screen, granularity, palette_number, effect_cycle, transform_steps;  // number boxes
    bool infinite, random_palette, predef_palette, fixed_palette, cont_color_change, random_granularity;
    bool moving, psychedelic, transforming, no_blank, exclude_zero;
    int32_t speed, delay;                // thumb positions
    int32_t extra, symmetry;             // selected entries, -1 for none
};

// The OK rules: the settings record as the dialog stores it.
void StoreDialogValues(const DialogValues& values, SaverSettingsRecord& settings);

#endif
