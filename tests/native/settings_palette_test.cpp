// Palettes in the settings file and the colour-name conversions.
#include "settings_fixture.h"

namespace {

constexpr int32_t kRed = 0x000001, kCyan = 0x010100, kBlue = 0x010000, kWhite = 0x010101;

TEST(ColorNames, ConvertBothWaysInTableOrder) {
    EXPECT_EQ(ColorFromName("red"), kRed);
    EXPECT_EQ(ColorFromName("Cyan"), kCyan);
    EXPECT_EQ(ColorFromName("BLACK"), 0);
    EXPECT_EQ(ColorFromName("PURPLE"), kNoColor);
    EXPECT_EQ(ColorFromName(""), kNoColor);
    EXPECT_EQ(ColorFromName("BLUEBLUEBLUEBLUEBLUEBLUE"), kNoColor);
    EXPECT_STREQ(NameFromColor(kWhite), "WHITE");
    EXPECT_STREQ(NameFromColor(kNoColor), "");
    EXPECT_STREQ(NameFromColor(0x020202), "");
    for (int i = 0; i < kKeyColorSlots; i++)
        EXPECT_EQ(ColorFromName(NameFromColor(ColorNameTable[i].Color)), ColorNameTable[i].Color);
}

TEST_F(SettingsTest, PaletteNamesInAnyCaseAndEmptyValues) {
    Store("TimeOnScreen=3\nPalette3=red Cyan\nPalette4=\nPalette5=   \n");
    Load();
    EXPECT_EQ(Loaded.Settings.PaletteTable[2].count, 2);
    EXPECT_EQ(Loaded.Settings.PaletteTable[2].colors[0], kRed);
    EXPECT_EQ(Loaded.Settings.PaletteTable[2].colors[1], kCyan);
    for (int i = 2; i < kKeyColorSlots; i++) EXPECT_EQ(Loaded.Settings.PaletteTable[2].colors[i], kNoColor);
    EXPECT_EQ(Loaded.Settings.PaletteTable[3].count, 3);  // empty: keeps CYAN BLUE CYAN
    EXPECT_EQ(Loaded.Settings.PaletteTable[4].count, 4);  // blank: keeps its default
    Save();
    EXPECT_NE(ReadFile(File).find("Palette3=RED CYAN      \n"), std::string::npos);
}

TEST_F(SettingsTest, UnknownNamesCountUntilSavedAndReloaded) {
    Store("TimeOnScreen=3\nPalette1=RED chartreuse BLUE\n");
    Load();
    EXPECT_EQ(Loaded.Settings.PaletteTable[0].count, 3);
    EXPECT_EQ(Loaded.Settings.PaletteTable[0].colors[1], kNoColor);
    Save();
    EXPECT_NE(ReadFile(File).find("Palette1=RED  BLUE     \n"), std::string::npos);
    StartFreshProcess();
    Load();
    EXPECT_EQ(Loaded.Settings.PaletteTable[0].count, 2);
    EXPECT_EQ(Loaded.Settings.PaletteTable[0].colors[1], kBlue);
}

TEST_F(SettingsTest, TooManyAndTooLongNames) {
    Store("TimeOnScreen=3\n"
          "Palette1=red red red red red red red red BLUE BLUE\n"
          "Palette2=ABCDEFGHIJKLMNOPQRSTUVWXYZ WHITE\n"
          "Palette3=" + std::string(100000, 'R') + " RED\n"
          "Palette4=BLUEBLUEBLUEBLUEBLU RED\n"
          "Palette5=BLUEBLUEBLUEBLUEBLUE red\n");
    Load();
    EXPECT_EQ(Loaded.Settings.PaletteTable[0].count, 8);
    EXPECT_EQ(Loaded.Settings.PaletteTable[0].colors[7], kRed);
    EXPECT_EQ(Loaded.Settings.PaletteTable[1].count, 2);
    EXPECT_EQ(Loaded.Settings.PaletteTable[1].colors[0], kNoColor);
    EXPECT_EQ(Loaded.Settings.PaletteTable[1].colors[1], kWhite);
    // Only the first 499 characters of a value are read: one long non-name.
    EXPECT_EQ(Loaded.Settings.PaletteTable[2].count, 1);
    EXPECT_EQ(Loaded.Settings.PaletteTable[2].colors[0], kNoColor);
    EXPECT_EQ(Loaded.Settings.PaletteTable[3].count, 2);  // 19 characters still fit the name buffer
    EXPECT_EQ(Loaded.Settings.PaletteTable[3].colors[0], kNoColor);
    EXPECT_EQ(Loaded.Settings.PaletteTable[4].count, 2);  // 20 characters, the first that do not fit
    EXPECT_EQ(Loaded.Settings.PaletteTable[4].colors[0], kNoColor);
    EXPECT_EQ(Loaded.Settings.PaletteTable[4].colors[1], kRed);
    EXPECT_EQ(ColorFromName("BLUEBLUEBLUEBLUEBLUE"), kNoColor);
    EXPECT_EQ(Loaded.Settings.PaletteTable[7].count, 0);  // the scratch entry is never read
}

}  // namespace
