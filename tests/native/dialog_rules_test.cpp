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
    v.TimeOnScreen = 3;
    v.Granularity = 1;
    v.PaletteNumber = 1;
    v.EffectCycle = 30;
    v.TransformSteps = 20;
    v.RandomPalette = v.PredefPalette = v.ContColorChange = v.RandomGranularity = true;
    v.Speed = 4;
    v.Delay = 10;
    return v;
}

TEST(DialogRules, OkRules) {
    SaverSettingsRecord s = kDefaultSettings;
    StoreDialogValues(Fresh(), s);
    for (const SettingKey& k : kSettingKeys) EXPECT_EQ(k.Stored(s), k.Fallback) << k.Key;  // fresh in, fresh out

    DialogValues v = Fresh();
    v.RandomPalette = v.PredefPalette = v.FixedPalette = false;
    v.Infinite = true;
    v.TransformSteps = 0;
    v.PaletteNumber = 9;
    v.Moving = v.Transforming = true;
    v.Extra = -1;
    v.Symmetry = 2;
    StoreDialogValues(v, s);
    EXPECT_EQ(s.RandomPalette, 1);  // no palette box checked
    EXPECT_EQ(s.TimeOnScreen, 0u);
    EXPECT_EQ(s.TransformSteps, 1);
    EXPECT_EQ(s.PaletteIndex + 1, 9u);
    EXPECT_EQ(s.PsycheExtra, 0);  // no selection
    EXPECT_EQ(s.Symmetry, 2);
    EXPECT_EQ(kSettingKeys[8].Stored(s), 5u);  // SpecialEffects: moving and transforming
    v.TransformSteps = 1;
    StoreDialogValues(v, s);
    EXPECT_EQ(s.TransformSteps, 1);
    v.TransformSteps = 5;
    v.PaletteNumber = 0;  // all bits set, saved as 0
    StoreDialogValues(v, s);
    EXPECT_EQ(s.TransformSteps, 5);
    EXPECT_EQ(kSettingKeys[3].Stored(s), 0u);
}

}  // namespace
