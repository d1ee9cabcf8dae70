// The configuration dialog's arithmetic without its controls: the scroll
// bars, the number boxes and the OK rules.
#include "config/dialog_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DialogRules, ScrollRequestsStayWithinEachBar) {
    EXPECT_EQ(ScrolledPosition(kDelayBar, 990, kPageRight, 0), 999);  // +49, not beyond
    EXPECT_EQ(ScrolledPosition(kDelayBar, 500, kPageRight, 0), 549);
    EXPECT_EQ(ScrolledPosition(kDelayBar, 500, kPageLeft, 0), 451);
    EXPECT_EQ(ScrolledPosition(kDelayBar, 20, kPageLeft, 0), 0);
    EXPECT_EQ(ScrolledPosition(kSpeedBar, 1, kLineLeft, 0), 1);
    EXPECT_EQ(ScrolledPosition(kSpeedBar, 1, kPageRight, 0), 24);  // +23
    EXPECT_EQ(ScrolledPosition(kSpeedBar, 240, kLineRight, 0), 240);
    EXPECT_EQ(ScrolledPosition(kSpeedBar, 100, kPageLeft, 0), 77);
    EXPECT_EQ(ScrolledPosition(kSpeedBar, 100, kThumbTrack, 7), 7);
    EXPECT_EQ(ScrolledPosition(kDelayBar, 100, kThumbPosition, 0x10000 + 17), 17);  // 16 bits of it
    EXPECT_EQ(ScrolledPosition(kDelayBar, 100, kThumbTrack, 5000), 999);
    for (int other : {6, 7, 8}) EXPECT_EQ(ScrolledPosition(kSpeedBar, 100, other, 0), 100) << other;
    // A stored value outside the bar comes back within it at the first request.
    EXPECT_EQ(ScrolledPosition(kSpeedBar, 300, kLineLeft, 0), 240);
}

TEST(DialogRules, NumberBoxesReadUnsignedNumbersOnly) {
    EXPECT_EQ(NumberFromText("42"), 42u);
    EXPECT_EQ(NumberFromText(" 7 "), 7u);
    EXPECT_EQ(NumberFromText("4294967295"), 4294967295u);
    for (const char* not_a_number : {"", "abc", "12abc", "-5", "+5", "4294967296", "1 2", "\xC3\xA9", "0x10"})
        EXPECT_EQ(NumberFromText(not_a_number), 0u) << not_a_number;
    EXPECT_EQ(NumberFromText(std::string(100000, '9').c_str()), 0u);
    EXPECT_EQ(NumberFromText(nullptr), 0u);
}

DialogValues Fresh() {
    DialogValues v{};
    v.time_on_screen = 3;
    v.granularity = 1;
    v.palette_number = 1;
    v.effect_cycle = 30;
    v.transform_steps = 20;
    v.random_palette = v.predef_palette = v.cont_color_change = v.random_granularity = true;
    v.speed = 4;
    v.delay = 10;
    return v;
}

TEST(DialogRules, OkRules) {
    SaverSettingsRecord s = kDefaultSettings;
    StoreDialogValues(Fresh(), s);
    for (const SettingKey& k : kSettingKeys) EXPECT_EQ(k.stored(s), k.fallback) << k.key;  // fresh in, fresh out

    DialogValues v = Fresh();
    v.random_palette = v.predef_palette = v.fixed_palette = false;
    v.infinite = true;
    v.transform_steps = 0;
    v.palette_number = 9;
    v.moving = v.transforming = true;
    v.extra = -1;
    v.symmetry = 2;
    StoreDialogValues(v, s);
    EXPECT_EQ(s.RandomPalette, 1);  // no palette box checked
    EXPECT_EQ(s.TimeOnScreen, 0u);
    EXPECT_EQ(s.TransformSteps, 1);
    EXPECT_EQ(s.PaletteIndex + 1, 9u);
    EXPECT_EQ(s.PsycheExtra, 0);  // no selection
    EXPECT_EQ(s.Symmetry, 2);
    EXPECT_EQ(kSettingKeys[8].stored(s), 5u);  // SpecialEffects: moving and transforming
    v.transform_steps = 1;
    StoreDialogValues(v, s);
    EXPECT_EQ(s.TransformSteps, 1);
    v.transform_steps = 5;
    v.palette_number = 0;  // all bits set, saved as 0
    StoreDialogValues(v, s);
    EXPECT_EQ(s.TransformSteps, 5);
    EXPECT_EQ(kSettingKeys[3].stored(s), 0u);
}

}  // namespace
