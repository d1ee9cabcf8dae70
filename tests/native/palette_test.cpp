// The palette chooser and builder: ramps, system entries, extra effects, the
// skewed distributions and the order of the chooser's draws.
#include "config/settings_record.h"
#include "support/fresh_process.h"
#include "synth/palette.h"
#include "synth/random.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class PaletteTest : public ::testing::Test {
protected:
    PaletteEntryBytes palette[257];
    PaletteGeometry g256 = MakePaletteGeometry(256, false);
    void SetUp() override {
        StartFreshProcess();
        for (auto& e : palette) e = {7, 7, 7, 7};
    }
    static void ExpectEntry(const PaletteEntryBytes& e, int r, int g, int b, int flags, int at) {
        EXPECT_EQ(e.red, r) << "entry " << at;
        EXPECT_EQ(e.green, g) << "entry " << at;
        EXPECT_EQ(e.blue, b) << "entry " << at;
        EXPECT_EQ(e.flags, flags) << "entry " << at;
    }
};

TEST_F(PaletteTest, WrappedRampsOfThreeKeyColors) {
    SaverSettings.PaletteIndex = 0;  // BLUE RED GREEN
    BuildPalette(palette, true, g256);
    ExpectEntry(palette[10], 0, 0, 255, 1, 10);
    ExpectEntry(palette[11], 3, 0, 252, 1, 11);
    ExpectEntry(palette[87], 252, 0, 3, 1, 87);
    ExpectEntry(palette[88], 255, 0, 0, 1, 88);
    ExpectEntry(palette[166], 0, 255, 0, 1, 166);
    ExpectEntry(palette[167], 0, 252, 3, 1, 167);
    for (int k = 0; k < 10; k++) ExpectEntry(palette[k], k, 0, 0, 2, k);
    for (int k = 246; k < 256; k++) ExpectEntry(palette[k], k, 0, 0, 2, k);
    EXPECT_EQ(palette[256].red, 7);  // the spare entry is not touched
}

TEST_F(PaletteTest, OpenRampsDoNotReturnToTheFirstColor) {
    SaverSettings.PaletteIndex = 0;
    BuildPalette(palette, false, g256);
    ExpectEntry(palette[127], 253, 0, 2, 1, 127);
    ExpectEntry(palette[128], 255, 0, 0, 1, 128);
    ExpectEntry(palette[245], 2, 253, 0, 1, 245);
}

TEST_F(PaletteTest, EightColorsLastSegmentTakesTheRemainder) {
    SaverSettings.PaletteIndex = 1;  // BLUE YELLOW MAGENTA GREEN WHITE BLACK RED CYAN
    BuildPalette(palette, true, g256);
    ExpectEntry(palette[10 + 7 * 29], 0, 255, 255, 1, 213);  // last segment starts at CYAN
    ExpectEntry(palette[245], 0, 7, 255, 1, 245);            // 33 entries from CYAN back to BLUE
    ExpectEntry(palette[10 + 29], 255, 255, 0, 1, 39);       // YELLOW after 29 entries
}

TEST_F(PaletteTest, ScalesAndColorsThatAreNotNames) {
    PaletteTable[0] = {3, {0x010101, 0x000101, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    PaletteChooser.ChannelScale[0] = 200;
    PaletteChooser.ChannelScale[1] = 255;
    PaletteChooser.ChannelScale[2] = 10;
    BuildPalette(palette, false, g256);
    ExpectEntry(palette[10], 200, 255, 10, 1, 10);   // WHITE
    ExpectEntry(palette[128], 200, 255, 0, 1, 128);  // YELLOW
    PaletteChooser = PaletteChooserRecord{};
    PaletteTable[0] = {2, {kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    BuildPalette(palette, false, g256);
    ExpectEntry(palette[100], 1, 1, 1, 1, 100);  // -1: every channel byte 255, times 255, modulo 256
}

TEST_F(PaletteTest, EqualColorsGiveAConstantRun) {
    PaletteTable[0] = {2, {0x000001, 0x000001, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    BuildPalette(palette, true, g256);
    for (int k = 10; k <= 245; k++) ExpectEntry(palette[k], 255, 0, 0, 1, k);
}

TEST_F(PaletteTest, NoSegmentFillsWithTheOnlyColorOrBlack) {
    PaletteTable[0] = {1, {0x010000, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    BuildPalette(palette, false, g256);
    for (int k = 10; k <= 245; k++) ExpectEntry(palette[k], 0, 0, 255, 1, k);
    PaletteTable[0].count = 0;
    SaverSettings.PsycheExtra = kExtraTerrible;
    BuildPalette(palette, false, g256);
    for (int k = 10; k <= 245; k++) ExpectEntry(palette[k], 0, 0, 0, 1, k);
    ExpectEntry(palette[9], 9, 0, 0, 2, 9);
    BuildPalette(palette, true, g256);  // no key colour, wrap set
    ExpectEntry(palette[100], 0, 0, 0, 1, 100);
}

TEST_F(PaletteTest, SmallPalettesAndFewEntries) {
    PaletteGeometry g16 = MakePaletteGeometry(16, false);
    EXPECT_EQ(g16.FirstAnimatedIndex, 0);
    EXPECT_EQ(g16.AnimatedCount, 16);
    SaverSettings.PaletteIndex = 0;
    BuildPalette(palette, true, g16);
    ExpectEntry(palette[0], 0, 0, 255, 1, 0);
    EXPECT_EQ(palette[16].red, 7);
    PaletteGeometry g4 = MakePaletteGeometry(4, false);
    SaverSettings.PaletteIndex = 1;  // eight colours on four entries: one colour each
    for (auto& e : palette) e = {7, 7, 7, 7};
    BuildPalette(palette, true, g4);
    ExpectEntry(palette[1], 255, 255, 0, 1, 1);
    ExpectEntry(palette[3], 0, 255, 0, 1, 3);
    EXPECT_EQ(palette[4].red, 7);
}

TEST_F(PaletteTest, TerriblePepperAndConfetti) {
    SaverSettings.PaletteIndex = 0;
    SaverSettings.PsycheExtra = kExtraTerrible;
    BuildPalette(palette, true, MakePaletteGeometry(256, true));
    int black = 0;
    for (int k = 11; k <= 245; k += 2) black += palette[k].red == 0 && palette[k].green == 0 && palette[k].blue == 0;
    EXPECT_EQ(black, 118);

    SaverSettings.PsycheExtra = kExtraPepper;  // only without a palette device
    BuildPalette(palette, true, MakePaletteGeometry(256, true));
    EXPECT_EQ(palette[11].red, 3);
    BuildPalette(palette, true, g256);
    EXPECT_EQ(palette[11].red, 0);

    SaverSettings.PsycheExtra = kExtraConfetti;  // one draw for each of entries 11, 14, ..., 245
    SeedRandom(5);
    BuildPalette(palette, true, g256);
    const uint32_t after_confetti = RandomState();
    SeedRandom(5);
    for (int i = 0; i < 79; i++) DrawRandom();
    EXPECT_EQ(after_confetti, RandomState());
    // Each entry is a copy, in all three channels, of the entry drawn for it.
    SeedRandom(5);
    int copies = 0;
    for (int k = 11; k <= 245; k += 3) {
        const PaletteEntryBytes& from = palette[DrawRandom() % k];
        EXPECT_EQ(palette[k].red, from.red) << k;
        EXPECT_EQ(palette[k].green, from.green) << k;
        EXPECT_EQ(palette[k].blue, from.blue) << k;
        EXPECT_EQ(palette[k].flags, kFlagReserved) << k;
        copies++;
    }
    EXPECT_EQ(copies, 79);
}

// With the default settings a stored palette is picked for about one picture
// in four, a random one for the others.
TEST_F(PaletteTest, DefaultsPickAStoredPaletteAboutOneTimeInFour) {
    SeedRandom(2024);
    int stored = 0;
    const int pictures = 4000;
    for (int i = 0; i < pictures; i++) {
        ChoosePalette(g256);
        stored += SaverSettings.PaletteIndex != kScratchPalette;
    }
    EXPECT_GT(stored, pictures * 22 / 100);
    EXPECT_LT(stored, pictures * 28 / 100);
}

TEST(SkewedRandom, DistributionsOverAllHundredDraws) {
    // Find, for each r = 1 ... 100, a state whose next draw gives it.
    std::map<int, int> low, zero, high;
    for (uint32_t seed = 0, found = 0; found < 100 && seed < 100000; seed++) {
        SeedRandom(seed);
        int r = DrawRandom() % 100 + 1;
        if (low.count(r)) continue;
        found++;
        SeedRandom(seed);
        low[r] = SkewedRandom(1, 100, 1);
        SeedRandom(seed);
        zero[r] = SkewedRandom(0, 100, 0);
        SeedRandom(seed);
        high[r] = SkewedRandom(10, 255, 255);
    }
    ASSERT_EQ(low.size(), 100u);
    auto count = [](const std::map<int, int>& m, int v) {
        int n = 0;
        for (auto& [r, value] : m) n += value == v;
        return n;
    };
    EXPECT_EQ(count(low, 1), 50);
    EXPECT_EQ(count(low, 2), 17);
    EXPECT_EQ(count(low, 3), 8);
    const int low_first[] = {100, 50, 33, 25, 20, 16, 14, 12, 11, 10};
    for (int r = 1; r <= 10; r++) EXPECT_EQ(low[r], low_first[r - 1]) << r;
    EXPECT_EQ(count(zero, 0), 50);
    EXPECT_EQ(count(zero, 1), 17);
    const int zero_first[] = {100, 49, 32, 24, 19};
    for (int r = 1; r <= 5; r++) EXPECT_EQ(zero[r], zero_first[r - 1]) << r;
    EXPECT_EQ(count(high, 255), 29);
    EXPECT_EQ(count(high, 254), 16);
    EXPECT_EQ(count(high, 253), 10);
    const int high_first[] = {10, 134, 175, 196, 208};
    for (int r = 1; r <= 5; r++) EXPECT_EQ(high[r], high_first[r - 1]) << r;
}

TEST_F(PaletteTest, ChooserFollowsTheSettings) {
    SaverSettings.RandomGranularity = 0;
    SaverSettings.Granularity = 0;
    SaverSettings.FixedPalette = 1;
    SaverSettings.PaletteIndex = 4;
    ChoosePalette(MakePaletteGeometry(16, false));
    EXPECT_EQ(SaverSettings.Granularity, 1u);  // small palettes never take granularity 0
    EXPECT_EQ(SaverSettings.PaletteIndex, 4u);

    SaverSettings.FixedPalette = 0;
    SaverSettings.RandomPalette = 0;
    SaverSettings.PredefPalette = 0;
    SeedRandom(3);
    ChoosePalette(g256);
    EXPECT_EQ(RandomState(), 3u);  // nothing drawn, nothing changed
    EXPECT_EQ(SaverSettings.PaletteIndex, 4u);

    // Random palettes: the first is fully random; with continuous change the
    // next one begins with the last key colour of the one before.
    SaverSettings.RandomPalette = 1;
    SeedRandom(11);
    ChoosePalette(g256);
    EXPECT_EQ(SaverSettings.PaletteIndex, 7u);
    EXPECT_EQ(PaletteChooser.ScratchFirstRandom, 1);
    const PaletteDefinition first = PaletteTable[7];
    EXPECT_GE(first.count, 2);
    EXPECT_LE(first.count, 8);
    ChoosePalette(g256);
    EXPECT_EQ(PaletteTable[7].colors[0], first.colors[first.count - 1]);
}

TEST_F(PaletteTest, RandomGranularityReachesZeroOnlyWhenAllowed) {
    int zeros = 0;
    SeedRandom(1);
    for (int i = 0; i < 600; i++) {
        ChoosePalette(g256);
        zeros += SaverSettings.Granularity == 0;
        EXPECT_LE(SaverSettings.Granularity, 100u);
    }
    EXPECT_GT(zeros, 60);  // about one in six
    EXPECT_LT(zeros, 140);
    SaverSettings.ExcludeZero = 1;
    for (int i = 0; i < 300; i++) {
        ChoosePalette(g256);
        EXPECT_NE(SaverSettings.Granularity, 0u);
    }
}

}  // namespace
