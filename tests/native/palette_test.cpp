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
    PaletteEntryBytes Palette[257];
    PaletteGeometry G256 = MakePaletteGeometry(256, false);
    // A saver's inputs to the builder: the user's settings, the run's chooser, its random source.
    SettingsRecord Settings;
    PaletteChooserRecord Chooser;
    RandomSource Random;
    void SetUp() override {
        StartPaletteChooser(Chooser, Settings.SaverSettings);
        for (auto& e : Palette) e = {7, 7, 7, 7};
    }
    void Build(bool wrap, const PaletteGeometry& g) {
        BuildPalette(Palette, wrap, g, PaletteSlot(Chooser, Settings.PaletteTable, Chooser.PaletteIndex),
                     Chooser.ChannelScale, Settings.SaverSettings.PsycheExtra, Random);
    }
    void Choose(const PaletteGeometry& g) {
        ChoosePalette(Chooser, Settings.SaverSettings, Settings.PaletteTable, g, Random);
    }
    static void ExpectEntry(const PaletteEntryBytes& e, int r, int g, int b, int flags, int at) {
        EXPECT_EQ(e.Red, r) << "entry " << at;
        EXPECT_EQ(e.Green, g) << "entry " << at;
        EXPECT_EQ(e.Blue, b) << "entry " << at;
        EXPECT_EQ(e.Flags, flags) << "entry " << at;
    }
};

TEST_F(PaletteTest, WrappedRampsOfThreeKeyColors) {
    Chooser.PaletteIndex = 0;  // BLUE RED GREEN
    Build(true, G256);
    ExpectEntry(Palette[10], 0, 0, 255, 1, 10);
    ExpectEntry(Palette[11], 3, 0, 252, 1, 11);
    ExpectEntry(Palette[87], 252, 0, 3, 1, 87);
    ExpectEntry(Palette[88], 255, 0, 0, 1, 88);
    ExpectEntry(Palette[166], 0, 255, 0, 1, 166);
    ExpectEntry(Palette[167], 0, 252, 3, 1, 167);
    for (int k = 0; k < 10; k++) ExpectEntry(Palette[k], k, 0, 0, 2, k);
    for (int k = 246; k < 256; k++) ExpectEntry(Palette[k], k, 0, 0, 2, k);
    EXPECT_EQ(Palette[256].Red, 7);  // the spare entry is not touched
}

TEST_F(PaletteTest, OpenRampsDoNotReturnToTheFirstColor) {
    Chooser.PaletteIndex = 0;
    Build(false, G256);
    ExpectEntry(Palette[127], 253, 0, 2, 1, 127);
    ExpectEntry(Palette[128], 255, 0, 0, 1, 128);
    ExpectEntry(Palette[245], 2, 253, 0, 1, 245);
}

TEST_F(PaletteTest, EightColorsLastSegmentTakesTheRemainder) {
    Chooser.PaletteIndex = 1;  // BLUE YELLOW MAGENTA GREEN WHITE BLACK RED CYAN
    Build(true, G256);
    ExpectEntry(Palette[10 + 7 * 29], 0, 255, 255, 1, 213);  // last segment starts at CYAN
    ExpectEntry(Palette[245], 0, 7, 255, 1, 245);            // 33 entries from CYAN back to BLUE
    ExpectEntry(Palette[10 + 29], 255, 255, 0, 1, 39);       // YELLOW after 29 entries
}

TEST_F(PaletteTest, ScalesAndColorsThatAreNotNames) {
    Settings.PaletteTable[0] = {3, {0x010101, 0x000101, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Chooser.ChannelScale[0] = 200;
    Chooser.ChannelScale[1] = 255;
    Chooser.ChannelScale[2] = 10;
    Build(false, G256);
    ExpectEntry(Palette[10], 200, 255, 10, 1, 10);   // WHITE
    ExpectEntry(Palette[128], 200, 255, 0, 1, 128);  // YELLOW
    Chooser = PaletteChooserRecord{};
    Settings.PaletteTable[0] = {2, {kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Build(false, G256);
    ExpectEntry(Palette[100], 1, 1, 1, 1, 100);  // -1: every channel byte 255, times 255, modulo 256
}

TEST_F(PaletteTest, EqualColorsGiveAConstantRun) {
    Settings.PaletteTable[0] = {2, {0x000001, 0x000001, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Build(true, G256);
    for (int k = 10; k <= 245; k++) ExpectEntry(Palette[k], 255, 0, 0, 1, k);
}

TEST_F(PaletteTest, NoSegmentFillsWithTheOnlyColorOrBlack) {
    Settings.PaletteTable[0] = {1, {0x010000, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor, kNoColor}};
    Build(false, G256);
    for (int k = 10; k <= 245; k++) ExpectEntry(Palette[k], 0, 0, 255, 1, k);
    Settings.PaletteTable[0].count = 0;
    Settings.SaverSettings.PsycheExtra = kExtraTerrible;
    Build(false, G256);
    for (int k = 10; k <= 245; k++) ExpectEntry(Palette[k], 0, 0, 0, 1, k);
    ExpectEntry(Palette[9], 9, 0, 0, 2, 9);
    Build(true, G256);  // no key colour, wrap set
    ExpectEntry(Palette[100], 0, 0, 0, 1, 100);
}

TEST_F(PaletteTest, SmallPalettesAndFewEntries) {
    PaletteGeometry g16 = MakePaletteGeometry(16, false);
    EXPECT_EQ(g16.FirstAnimatedIndex, 0);
    EXPECT_EQ(g16.AnimatedCount, 16);
    Chooser.PaletteIndex = 0;
    Build(true, g16);
    ExpectEntry(Palette[0], 0, 0, 255, 1, 0);
    EXPECT_EQ(Palette[16].Red, 7);
    PaletteGeometry g4 = MakePaletteGeometry(4, false);
    Chooser.PaletteIndex = 1;  // eight colours on four entries: one colour each
    for (auto& e : Palette) e = {7, 7, 7, 7};
    Build(true, g4);
    ExpectEntry(Palette[1], 255, 255, 0, 1, 1);
    ExpectEntry(Palette[3], 0, 255, 0, 1, 3);
    EXPECT_EQ(Palette[4].Red, 7);
}

TEST_F(PaletteTest, TerriblePepperAndConfetti) {
    Chooser.PaletteIndex = 0;
    Settings.SaverSettings.PsycheExtra = kExtraTerrible;
    Build(true, MakePaletteGeometry(256, true));
    int black = 0;
    for (int k = 11; k <= 245; k += 2) black += Palette[k].Red == 0 && Palette[k].Green == 0 && Palette[k].Blue == 0;
    EXPECT_EQ(black, 118);

    Settings.SaverSettings.PsycheExtra = kExtraPepper;  // only without a palette device
    Build(true, MakePaletteGeometry(256, true));
    EXPECT_EQ(Palette[11].Red, 3);
    Build(true, G256);
    EXPECT_EQ(Palette[11].Red, 0);

    Settings.SaverSettings.PsycheExtra = kExtraConfetti;  // one draw for each of entries 11, 14, ..., 245
    SeedRandom(Random, 5);
    Build(true, G256);
    const uint32_t after_confetti = Random.State;
    SeedRandom(Random, 5);
    for (int i = 0; i < 79; i++) DrawRandom(Random);
    EXPECT_EQ(after_confetti, Random.State);
    // Each entry is a copy, in all three channels, of the entry drawn for it.
    SeedRandom(Random, 5);
    int copies = 0;
    for (int k = 11; k <= 245; k += 3) {
        const PaletteEntryBytes& from = Palette[DrawRandom(Random) % k];
        EXPECT_EQ(Palette[k].Red, from.Red) << k;
        EXPECT_EQ(Palette[k].Green, from.Green) << k;
        EXPECT_EQ(Palette[k].Blue, from.Blue) << k;
        EXPECT_EQ(Palette[k].Flags, kFlagReserved) << k;
        copies++;
    }
    EXPECT_EQ(copies, 79);
}

// With the default settings a stored palette is picked for about one picture
// in four, a random one for the others.
TEST_F(PaletteTest, DefaultsPickAStoredPaletteAboutOneTimeInFour) {
    SeedRandom(Random, 2024);
    int stored = 0;
    const int pictures = 4000;
    for (int i = 0; i < pictures; i++) {
        Choose(G256);
        stored += Chooser.PaletteIndex != kScratchPalette;
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
    Settings.SaverSettings.RandomGranularity = 0;
    Chooser.Granularity = 0;
    Settings.SaverSettings.FixedPalette = 1;
    Chooser.PaletteIndex = 4;
    Choose(MakePaletteGeometry(16, false));
    EXPECT_EQ(Chooser.Granularity, 1u);  // small palettes never take granularity 0
    EXPECT_EQ(Chooser.PaletteIndex, 4u);

    Settings.SaverSettings.FixedPalette = 0;
    Settings.SaverSettings.RandomPalette = 0;
    Settings.SaverSettings.PredefPalette = 0;
    SeedRandom(Random, 3);
    Choose(G256);
    EXPECT_EQ(Random.State, 3u);  // nothing drawn, nothing changed
    EXPECT_EQ(Chooser.PaletteIndex, 4u);

    // Random palettes: the first is fully random; with continuous change the
    // next one begins with the last key colour of the one before.
    Settings.SaverSettings.RandomPalette = 1;
    SeedRandom(Random, 11);
    Choose(G256);
    EXPECT_EQ(Chooser.PaletteIndex, 7u);
    EXPECT_EQ(Chooser.ScratchFirstRandom, 1);
    const PaletteDefinition first = Chooser.Scratch;
    EXPECT_GE(first.count, 2);
    EXPECT_LE(first.count, 8);
    Choose(G256);
    EXPECT_EQ(Chooser.Scratch.colors[0], first.colors[first.count - 1]);
}

TEST_F(PaletteTest, RandomGranularityReachesZeroOnlyWhenAllowed) {
    int zeros = 0;
    SeedRandom(Random, 1);
    for (int i = 0; i < 600; i++) {
        Choose(G256);
        zeros += Chooser.Granularity == 0;
        EXPECT_LE(Chooser.Granularity, 100u);
    }
    EXPECT_GT(zeros, 60);  // about one in six
    EXPECT_LT(zeros, 140);
    Settings.SaverSettings.ExcludeZero = 1;
    for (int i = 0; i < 300; i++) {
        Choose(G256);
        EXPECT_NE(Chooser.Granularity, 0u);
    }
}

}  // namespace
