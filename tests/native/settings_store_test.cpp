// The settings record: first run, reading rules, what a section that lacks
// "TimeOnScreen" gets added, and where the file lives.
#include "settings_fixture.h"

#include <filesystem>

namespace {

const char kFirstRun[] =
    "[ScreenSaver.Velmora]\n"
    "TimeOnScreen=3\nGranularity=1\nRandomGranularity=1\nPaletteIndex=1\nRandomPalette=1\nPredefPalette=1\n"
    "FixedPalette=0\nContColorChange=1\nSpecialEffects=0\nMovingSpeed=4\nPsycheDelay=10\nPsycheExtra=0\n"
    "TransformSteps=20\nNoBlank=0\nExcludeZero=0\nSymmetry=0\nEffectCycle=30\n"
    "Palette1=BLUE RED GREEN     \n"
    "Palette2=BLUE YELLOW MAGENTA GREEN WHITE BLACK RED CYAN\n"
    "Palette3=WHITE CYAN WHITE     \n"
    "Palette4=CYAN BLUE CYAN     \n"
    "Palette5=BLUE BLACK RED YELLOW    \n"
    "Palette6=YELLOW MAGENTA      \n"
    "Palette7=YELLOW RED      \n";

TEST_F(SettingsTest, FreshSystemWritesEveryDefault) {
    Load();
    EXPECT_EQ(ReadFile(File), kFirstRun);
    EXPECT_STREQ(Loaded.Place.SettingsSection, "ScreenSaver.Velmora");
    EXPECT_STREQ(Loaded.Place.SettingsFile, "control.ini");
    const SaverSettingsRecord& s = Loaded.Settings.SaverSettings;
    EXPECT_EQ(s.TimeOnScreen, 3u);
    EXPECT_EQ(s.PaletteIndex, 0u);
    EXPECT_EQ(s.EffectCycle, 30);
    EXPECT_EQ(s.TransformSteps, 20);
    EXPECT_EQ(Loaded.Settings.PaletteTable[1].count, 8);
    // A second load finds the section and writes nothing.
    WriteFile(File, std::string(kFirstRun) + "; touched\n");
    Load();
    EXPECT_EQ(ReadFile(File), std::string(kFirstRun) + "; touched\n");
}

TEST_F(SettingsTest, FolderIsCreatedWhereTheVariablePoints) {
    std::string nested = Folder.File("a/b");
    setenv(kConfigDirVariable, nested.c_str(), 1);
    Load();
    EXPECT_EQ(ReadFile(nested + "/control.ini"), kFirstRun);
}

TEST_F(SettingsTest, UserFolderWithoutTheVariable) {
    unsetenv(kConfigDirVariable);
    setenv("XDG_CONFIG_HOME", Folder.path().c_str(), 1);
    Load();
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(std::filesystem::exists(Folder.File("Velmora/control.ini")));
}

TEST_F(SettingsTest, PaletteIndexFoldsIntoSevenPalettes) {
    const std::pair<const char*, uint32_t> cases[] = {{"1", 0}, {"7", 6}, {"8", 0}, {"0", 3}, {"9", 1}, {"-1", 2}};
    for (auto [stored, expected] : cases) {
        Store(std::string("TimeOnScreen=3\nPaletteIndex=") + stored + "\n");
        Load();
        EXPECT_EQ(Loaded.Settings.SaverSettings.PaletteIndex, expected) << stored;
    }
}

TEST_F(SettingsTest, FlagsKeepTheirLowByteAndEffectBits) {
    Store("TimeOnScreen=0\nRandomPalette=256\nPredefPalette=257\nFixedPalette=2\nSpecialEffects=5\n"
          "ContColorChange=0x100\nRandomGranularity=-1\n");
    Load();
    const SaverSettingsRecord& s = Loaded.Settings.SaverSettings;
    EXPECT_EQ(s.TimeOnScreen, 0u);
    EXPECT_EQ(s.RandomPalette, 0);
    EXPECT_EQ(s.PredefPalette, 1);
    EXPECT_EQ(s.FixedPalette, 2);
    EXPECT_EQ(s.ContColorChange, 0);
    EXPECT_EQ(s.RandomGranularity, 255);
    EXPECT_EQ(s.MovingClouds, 1);
    EXPECT_EQ(s.PsychedelicColors, 0);
    EXPECT_EQ(s.TransformingClouds, 4);
    Save();
    StartFreshProcess();
    Load();
    EXPECT_EQ(Loaded.Settings.SaverSettings.MovingClouds, 1);
    EXPECT_EQ(Loaded.Settings.SaverSettings.TransformingClouds, 4);
    EXPECT_NE(ReadFile(File).find("SpecialEffects=5\n"), std::string::npos);
}

TEST_F(SettingsTest, OutOfRangeNumbersAreKeptAsRead) {
    Store("TimeOnScreen=4294967294\nMovingSpeed=-3\nSymmetry=9\nGranularity=100000\n");
    Load();
    EXPECT_EQ(Loaded.Settings.SaverSettings.TimeOnScreen, 4294967294u);
    EXPECT_EQ(Loaded.Settings.SaverSettings.MovingSpeed, -3);
    EXPECT_EQ(Loaded.Settings.SaverSettings.Symmetry, 9);
    EXPECT_EQ(Loaded.Settings.SaverSettings.Granularity, 100000u);
    Save();
    EXPECT_NE(ReadFile(File).find("MovingSpeed=4294967293\n"), std::string::npos);
}

// "TimeOnScreen" reading as -1 counts as no settings at all; what the user
// wrote must survive that on every start, in every form it can take.
TEST_F(SettingsTest, NoSettingsMarkerNeverRewritesTheUsersLines) {
    const char* markers[] = {"TimeOnScreen=-1\n", "TimeOnScreen=4294967295\n", "TimeOnScreen=0xffffffff\n",
                             "TimeOnScreen=\n", ""};
    const std::string own = "Palette1=blue FOO red\nPalette2=" + std::string(600, 'x') +
                            "\nGranularity=0x10\nMovingSpeed=-3\n; my note\n";
    for (const char* marker : markers) {
        std::string all_keys;
        for (const SettingKey& k : kSettingKeys)
            if (std::string(k.Key) != "TimeOnScreen" && std::string(k.Key) != "Granularity" &&
                std::string(k.Key) != "MovingSpeed")
                all_keys += std::string(k.Key) + "=" + std::to_string(k.Fallback) + "\n";
        for (int n = 3; n <= 7; n++) all_keys += "Palette" + std::to_string(n) + "=RED\n";
        const std::string text = "[ScreenSaver.Velmora]\n" + std::string(marker) + own + all_keys;
        WriteFile(File, text);
        StartFreshProcess();
        Load();
        Load();  // and on the next start
        const std::string after = ReadFile(File);
        if (*marker) {
            EXPECT_EQ(after, text) << marker;  // every key is there: nothing is added
        } else {
            EXPECT_EQ(after, text + "TimeOnScreen=3\n") << "no TimeOnScreen";
        }
        EXPECT_EQ(Loaded.Settings.PaletteTable[0].count, 3) << marker;
        EXPECT_EQ(Loaded.Settings.SaverSettings.Granularity, 16u) << marker;
    }
}

TEST_F(SettingsTest, SectionWithoutTimeOnScreenGetsOnlyWhatItLacks) {
    Store("Granularity=7\nSymmetry=2\nPalette6=red\nEffectCycle=45\n");
    Load();
    EXPECT_EQ(ReadFile(File),
              "[ScreenSaver.Velmora]\nGranularity=7\nSymmetry=2\nPalette6=red\nEffectCycle=45\n"
              "TimeOnScreen=3\nRandomGranularity=1\nPaletteIndex=1\nRandomPalette=1\nPredefPalette=1\n"
              "FixedPalette=0\nContColorChange=1\nSpecialEffects=0\nMovingSpeed=4\nPsycheDelay=10\nPsycheExtra=0\n"
              "TransformSteps=20\nNoBlank=0\nExcludeZero=0\n"
              "Palette1=BLUE RED GREEN     \n"
              "Palette2=BLUE YELLOW MAGENTA GREEN WHITE BLACK RED CYAN\n"
              "Palette3=WHITE CYAN WHITE     \n"
              "Palette4=CYAN BLUE CYAN     \n"
              "Palette5=BLUE BLACK RED YELLOW    \n"
              "Palette7=YELLOW RED      \n");
    EXPECT_EQ(Loaded.Settings.SaverSettings.Granularity, 7u);
    EXPECT_EQ(Loaded.Settings.PaletteTable[5].count, 1);
}

TEST_F(SettingsTest, UnusableFolderGivesDefaultsWithoutCrash) {
    // A regular file stands where the folder should be: nothing can be read or written.
    WriteFile(Folder.File("blocker"), "x");
    setenv(kConfigDirVariable, Folder.File("blocker").c_str(), 1);
    Load();
    EXPECT_EQ(Loaded.Settings.SaverSettings.TimeOnScreen, 3u);
    EXPECT_EQ(ReadFile(Folder.File("blocker")), "x");
}

// A folder named too long for a path is not replaced by another one: the
// built-in settings are used, nothing is written anywhere, and the caller can tell.
TEST_F(SettingsTest, TooLongFolderIsNotSwappedForAnother) {
    setenv("XDG_CONFIG_HOME", Folder.path().c_str(), 1);
    for (size_t length : {300u, 5000u}) {
        setenv(kConfigDirVariable, (Folder.path() + "/" + std::string(length, 'x')).c_str(), 1);
        Load();
        EXPECT_EQ(Loaded.Place.SettingsFilePlace, SettingsPlace::NamedTooLong) << length;
        EXPECT_EQ(Loaded.Place.SettingsPath[0], '\0') << length;
        EXPECT_EQ(Loaded.Settings.SaverSettings.EffectCycle, 30) << length;
        Save();
    }
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(std::filesystem::is_empty(Folder.path()));
}

}  // namespace
