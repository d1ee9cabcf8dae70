// The palette chooser and builder: ramps, system entries, extra effects, the
// skewed distributions and the order of the chooser's draws.
#include "config/settings_record.h"
#include "synth/palette.h"
#include "synth/random.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class PaletteTest : public ::testing::Test {
protected:
    PaletteEntryBytes palette[257];
    PaletteGeometry g256 = MakePaletteGeometry(256, false);
    // A saver's inputs to the builder: the user's settings, the run's chooser, its random source.
    SettingsRecord settings;
    PaletteChooserRecord chooser;
    RandomSource random;
    void SetUp() override {
        StartPaletteChooser(chooser, settings.SaverSettings);
        for (auto& e : palette) e = {7, 7, 7, 7};
    }
    void Build(bool wrap, const PaletteGeometry& g) {
        BuildPalette(palette, wrap, g, PaletteSlot(chooser, settings.PaletteTable, chooser.PaletteIndex),
                     chooser.ChannelScale, settings.SaverSettings.PsycheExtra, random);
    }
    void Choose(const PaletteGeometry& g) {
        ChoosePalette(chooser, settings.SaverSettings, settings.PaletteTable, g, random);
    }
    static void ExpectEntry(const PaletteEntryBytes& e, int r, int g, int b, int flags, int at) {
        EXPECT_EQ(e.red, r) << "entry " << at;
        EXPECT_EQ(e.green, g) << "entry " << at;
        EXPECT_EQ(e.blue, b) << "entry " << at;
        EXPECT_EQ(e.flags, flags) << "entry " << at;
    }
};

TEST_F(PaletteTest, WrappedRampsOfThreeKeyColors) {
    chooser.PaletteIndex = 0;  // BLUE RED GREEN
    Build(true, g256);
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
    chooser.PaletteIndex = 0;
    Build(false, g256);
    ExpectEntry(palette[127], 253, 0, 2, 1, 127);
    ExpectEntry(palette[128], 255, 0, 0, 1, 128);
    ExpectEntry(palette[245], 2, 253, 0, 1, 245);
}

TEST_F(PaletteTest, EightColorsLastSegmentTakesTheRemainder) {
    chooser.PaletteIndex = 1;  // BLUE YELLOW MAGENTA GREEN WHITE BLACK RED CYAN
    Build(true, g256);
    ExpectEntry(palette[10 + 7 * 29], 0, 255, 255, 1, 213);  // last segment starts at CYAN
    ExpectEntry(palette[245], 0, 7, 255, 1, 245);            // 33 entries from CYAN back to BLUE
    ExpectEntry(palette[10 + 29], 255, 255, 0, 1, 39);       // YELLOW after 29 entries
}

TEST_F(PaletteTest, ScalesAndColorsThatAreNotNames) {
    settings.PaletteTable[0] = {3, {0x010101, 0x000101, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    chooser.ChannelScale[0] = 200;
    chooser.ChannelScale[1] = 255;
    chooser.ChannelScale[2] = 10;
    Build(false, g256);
    ExpectEntry(palette[10], 200, 255, 10, 1, 10);   // WHITE
    ExpectEntry(palette[128], 200, 255, 0, 1, 128);  // YELLOW
    chooser = PaletteChooserRecord{};
    settings.PaletteTable[0] = {2, {kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Build(false, g256);
    ExpectEntry(palette[100], 1, 1, 1, 1, 100);  // -1: every channel byte 255, times 255, modulo 256
}

TEST_F(PaletteTest, EqualColorsGiveAConstantRun) {
    settings.PaletteTable[0] = {2, {0x000001, 0x000001, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Build(true, g256);
    for (int k = 10; k <= 245; k++) ExpectEntry(palette[k], 255, 0, 0, 1, k);
}

TEST_F(PaletteTest, NoSegmentFillsWithTheOnlyColorOrBlack) {
    settings.PaletteTable[0] = {1, {0x010000, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Build(false, g256);
    for (int k = 10; k <= 245; k++) ExpectEntry(palette[k], 0, 0, 255, 1, k);
    settings.PaletteTable[0].count = 0;
    settings.SaverSettings.PsycheExtra = kExtraTerrible;
    Build(false, g256);
    for (int k = 10; k <= 245; k++) ExpectEntry(palette[k], 0, 0, 0, 1, k);
    ExpectEntry(palette[9], 9, 0, 0, 2, 9);
    Build(true, g256);  // no key colour, wrap set
    ExpectEntry(palette[100], 0, 0, 0, 1, 100);
}

TEST_F(PaletteTest, SmallPalettesAndFewEntries) {
    PaletteGeometry g16 = MakePaletteGeometry(16, false);
    EXPECT_EQ(g16.FirstAnimatedIndex, 0);
    EXPECT_EQ(g16.AnimatedCount, 16);
    chooser.PaletteIndex = 0;
    Build(true, g16);
    ExpectEntry(palette[0], 0, 0, 255, 1, 0);
    EXPECT_EQ(palette[16].red, 7);
    PaletteGeometry g4 = MakePaletteGeometry(4, false);
    chooser.PaletteIndex = 1;  // eight colours on four entries: one colour each
    for (auto& e : palette) e = {7, 7, 7, 7};
    Build(true, g4);
    ExpectEntry(palette[1], 255, 255, 0, 1, 1);
    ExpectEntry(palette[3], 0, 255, 0, 1, 3);
    EXPECT_EQ(palette[4].red, 7);
}

TEST_F(PaletteTest, TerriblePepperAndConfetti) {
    chooser.PaletteIndex = 0;
    settings.SaverSettings.PsycheExtra = kExtraTerrible;
    Build(true, MakePaletteGeometry(256, true));
    int black = 0;
    for (int k = 11; k <= 245; k += 2) black += palette[k].red == 0 && palette[k].green == 0 && palette[k].blue == 0;
    EXPECT_EQ(black, 118);

    settings.SaverSettings.PsycheExtra = kExtraPepper;  // only without a palette device
    Build(true, MakePaletteGeometry(256, true));
    EXPECT_EQ(palette[11].red, 3);
    Build(true, g256);
    EXPECT_EQ(palette[11].red, 0);

    settings.SaverSettings.PsycheExtra = kExtraConfetti;  // one draw for each of entries 11, 14, ..., 245
    SeedRandom(random, 5);
    Build(true, g256);
    const uint32_t after_confetti = random.State;
    SeedRandom(random, 5);
    for (int i = 0; i < 79; i++) DrawRandom(random);
    EXPECT_EQ(after_confetti, random.State);
    // Each entry is a copy, in all three channels, of the entry drawn for it.
    SeedRandom(random, 5);
    int copies = 0;
    for (int k = 11; k <= 245; k += 3) {
        const PaletteEntryBytes& from = palette[DrawRandom(random) % k];
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
    SeedRandom(random, 2024);
    int stored = 0;
    const int pictures = 4000;
    for (int i = 0; i < pictures; i++) {
        Choose(g256);
        stored += chooser.PaletteIndex != kScratchPalette;
    }
    EXPECT_GT(stored, pictures * 22 / 100);
    EXPECT_LT(stored, pictures * 28 / 100);
}

TEST(SkewedRandom, DistributionsOverAllHundredDraws) {
    RandomSource random;
    // Find, for each r = 1 ... 100, a state whose next draw gives it.
    std::map<int, int> low, zero, high;
    for (uint32_t seed = 0, found = 0; found < 100 && seed < 100000; seed++) {
        SeedRandom(random, seed);
        int r = DrawRandom(random) % 100 + 1;
        if (low.count(r)) continue;
        found++;
        SeedRandom(random, seed);
        low[r] = SkewedRandom(random, 1, 100, 1);
        SeedRandom(random, seed);
        zero[r] = SkewedRandom(random, 0, 100, 0);
        SeedRandom(random, seed);
        high[r] = SkewedRandom(random, 10, 255, 255);
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
    settings.SaverSettings.RandomGranularity = 0;
    chooser.Granularity = 0;
    settings.SaverSettings.FixedPalette = 1;
    chooser.PaletteIndex = 4;
    Choose(MakePaletteGeometry(16, false));
    EXPECT_EQ(chooser.Granularity, 1u);  // small palettes never take granularity 0
    EXPECT_EQ(chooser.PaletteIndex, 4u);

    settings.SaverSettings.FixedPalette = 0;
    settings.SaverSettings.RandomPalette = 0;
    settings.SaverSettings.PredefPalette = 0;
    SeedRandom(random, 3);
    Choose(g256);
    EXPECT_EQ(random.State, 3u);  // nothing drawn, nothing changed
    EXPECT_EQ(chooser.PaletteIndex, 4u);

    // Random palettes: the first is fully random; with continuous change the
    // next one begins with the last key colour of the one before.
    settings.SaverSettings.RandomPalette = 1;
    SeedRandom(random, 11);
    Choose(g256);
    EXPECT_EQ(chooser.PaletteIndex, 7u);
    EXPECT_EQ(chooser.ScratchFirstRandom, 1);
    const PaletteDefinition first = chooser.Scratch;
    EXPECT_GE(first.count, 2);
    EXPECT_LE(first.count, 8);
    Choose(g256);
    EXPECT_EQ(chooser.Scratch.colors[0], first.colors[first.count - 1]);
}

TEST_F(PaletteTest, RandomGranularityReachesZeroOnlyWhenAllowed) {
    int zeros = 0;
    SeedRandom(random, 1);
    for (int i = 0; i < 600; i++) {
        Choose(g256);
        zeros += chooser.Granularity == 0;
        EXPECT_LE(chooser.Granularity, 100u);
    }
    EXPECT_GT(zeros, 60);  // about one in six
    EXPECT_LT(zeros, 140);
    settings.SaverSettings.ExcludeZero = 1;
    for (int i = 0; i < 300; i++) {
        Choose(g256);
        EXPECT_NE(chooser.Granularity, 0u);
    }
}

}  // namespace
