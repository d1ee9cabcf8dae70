// The Linux program's command line, and settings given on it.
#include "config/setting_options.h"
#include "config/settings.h"
#include "config/settings_file_check.h"
#include "config/settings_location.h"
#include "linux/options.h"
#include "linux/screen_monitors.h"
#include "support/fresh_process.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <vector>

namespace {

struct Parsed {
    bool Ok;
    ProgramOptions Options;
    std::string Problem;
};

Parsed Parse(std::vector<std::string> words, const char* window_variable = nullptr) {
    std::vector<char*> argv;
    static char program[] = "velmora";
    argv.push_back(program);
    for (std::string& w : words) argv.push_back(w.data());
    Parsed p;
    p.Ok = ParseProgramOptions((int)argv.size(), argv.data(), window_variable, p.Options, p.Problem);
    return p;
}

class LinuxOptions : public ::testing::Test {
protected:
    void SetUp() override { StartFreshProcess(); }
};

TEST_F(LinuxOptions, WindowIdsAsXScreenSaverGivesThem) {
    EXPECT_EQ(ParseWindowId("0x2a00007"), 0x2a00007ul);
    EXPECT_EQ(ParseWindowId("0X2A00007"), 0x2a00007ul);
    EXPECT_EQ(ParseWindowId("44040199"), 44040199ul);
    for (const char* bad : {"", "0x", "-5", "12a", " 12", "0x20000000", "99999999999", "0x1 "})
        EXPECT_EQ(ParseWindowId(bad), 0ul) << bad;
    EXPECT_EQ(ParseWindowId(nullptr), 0ul);
}

TEST_F(LinuxOptions, ModesAndWhereTheWindowComesFrom) {
    Parsed p = Parse({});
    ASSERT_TRUE(p.Ok);
    EXPECT_EQ(p.Options.Mode, RunMode::Window);
    EXPECT_EQ(p.Options.Width, 1280);
    EXPECT_EQ(p.Options.Height, 720);

    p = Parse({"--size", "640x360", "--palette-device"});
    ASSERT_TRUE(p.Ok) << p.Problem;
    EXPECT_EQ(p.Options.Width, 640);
    EXPECT_TRUE(p.Options.PaletteDevice);

    EXPECT_EQ(Parse({"--fullscreen"}).Options.Mode, RunMode::FullScreen);
    for (const char* spelling : {"--window-id", "-window-id"}) {
        p = Parse({spelling, "0x400001"});
        ASSERT_TRUE(p.Ok) << spelling;
        EXPECT_EQ(p.Options.Mode, RunMode::Embedded);
        EXPECT_EQ(p.Options.WindowId, 0x400001ul);
    }
    // XScreenSaver's variable: with -root, and on its own; an id given on the command line wins.
    p = Parse({"-root"}, "0x500002");
    EXPECT_EQ(p.Options.WindowId, 0x500002ul);
    EXPECT_EQ(Parse({}, "0x500002").Options.WindowId, 0x500002ul);
    EXPECT_EQ(Parse({"-window-id", "7"}, "0x500002").Options.WindowId, 7ul);
    p = Parse({"-root"});
    EXPECT_EQ(p.Options.Mode, RunMode::Embedded);
    EXPECT_EQ(p.Options.WindowId, 0ul);
    EXPECT_TRUE(p.Options.Root);
    EXPECT_FALSE(Parse({"-root"}, "junk").Ok);
    // A window of our own asked for explicitly keeps the variable out.
    p = Parse({"--size", "300x200"}, "0x500002");
    ASSERT_TRUE(p.Ok) << p.Problem;
    EXPECT_EQ(p.Options.Mode, RunMode::Window);
    EXPECT_EQ(p.Options.Width, 300);
    EXPECT_EQ(p.Options.WindowId, 0ul);
    // The largest sizes said in the help are taken: 8192x8192 pixels, a WebM's 4096x4096.
    for (const std::vector<std::string>& largest :
         {std::vector<std::string>{"--size", "8192x8192"}, {"--size", "16384x4096"},
          {"--record", "a.gif", "--size", "8192x8192"}, {"--record", "a.webm", "--size", "4096x4096"}}) {
        p = Parse(largest);
        EXPECT_TRUE(p.Ok) << largest[0] << " " << largest.back() << ": " << p.Problem;
    }

    p = Parse({"--record", "out.gif", "--seconds", "3", "--time", "1700000000", "--size", "64x48"},
              "0x500002");
    ASSERT_TRUE(p.Ok) << p.Problem;
    EXPECT_EQ(p.Options.Mode, RunMode::Record);
    EXPECT_EQ(p.Options.Seconds, 3u);
    EXPECT_EQ(p.Options.Time, 1700000000u);
    EXPECT_EQ(p.Options.Format, RecordFormat::Gif);
    // The file's extension, in any case, says what is written; a video takes a rate and a quality.
    p = Parse({"--record", "dir.v2/Clouds.MP4", "--fps", "30", "--quality", "high"});
    ASSERT_TRUE(p.Ok) << p.Problem;
    EXPECT_EQ(p.Options.Format, RecordFormat::Mp4);
    EXPECT_EQ(p.Options.FramesPerSecond, 30);
    EXPECT_EQ(p.Options.Quality, VideoQuality::High);
    p = Parse({"--record", "c.webm", "--size", "161x91"});
    ASSERT_TRUE(p.Ok) << p.Problem;
    EXPECT_EQ(p.Options.Format, RecordFormat::WebM);
    EXPECT_EQ(p.Options.FramesPerSecond, 60);
    EXPECT_EQ(p.Options.Quality, VideoQuality::Medium);
    EXPECT_EQ(Parse({"--help", "--bogus"}).Options.Mode, RunMode::Help);
}

TEST_F(LinuxOptions, WhatCannotBeMeantIsRefusedWithAReason) {
    const std::vector<std::vector<std::string>> refused = {
        {"--bogus"},
        {"--size"},
        {"--size", "0x10"},
        {"--size", "16385x10"},
        {"--size", "100"},
        {"--size", "100x-5"},
        {"--window-id", "zero"},
        {"--window-id", "0"},
        {"--fullscreen", "--size", "10x10"},
        {"--window-id", "5", "--fullscreen"},
        {"--seconds", "5"},
        {"--record", "a.gif", "--seconds", "0"},
        {"--record", "a.gif", "--seconds", "3601"},
        {"--record", "a.gif", "--time", "4294967296"},
        {"--record", "a.gif", "--fullscreen"},
        {"--record", "a.gif", "--size", "16384x16384"},
        {"--size", "8193x8192"},
        {"--size", "16384x4097"},
        {"--record", "a.webm", "--size", "4097x4096"},
        {"--record", "a.gif", "--snapshot", "s.ppm"},
        {"--snapshot", "s.ppm", "--record", "a.gif"},
        {"--record", ""},
        {"--record", "a.avi"},
        {"--record", "gif"},
        {"--record", "dir.mp4/out"},
        {"--record", "a.gif", "--fps", "30"},
        {"--record", "a.gif", "--quality", "low"},
        {"--record", "a.mp4", "--fps", "0"},
        {"--record", "a.mp4", "--fps", "121"},
        {"--record", "a.mp4", "--quality", "best"},
        {"--record", "a.mp4", "--size", "321x200"},
        {"--fps", "30"},
        {"--time-on-screen", "-1"},
        {"--moving-speed", "0"},
        {"--moving-speed", "241"},
        {"--cycle-delay", "1000"},
        {"--cycle-delay", "+5"},
        {"--cycle-delay"},
    };
    for (const auto& words : refused) {
        Parsed p = Parse(words);
        std::string line;
        for (const auto& w : words) line += w + " ";
        EXPECT_FALSE(p.Ok) << line;
        EXPECT_FALSE(p.Problem.empty()) << line;
    }
}

TEST_F(LinuxOptions, SettingsOnTheCommandLineHoldForTheRunAndAreNeverWritten) {
    TempFolder folder;
    setenv(kConfigDirVariable, folder.path().c_str(), 1);
    Parsed p = Parse({"--time-on-screen", "77", "--psychedelic-colors", "--cycle-delay", "15", "--moving-clouds",
                      "--no-moving-clouds"});
    ASSERT_TRUE(p.Ok) << p.Problem;
    // A fresh folder: the built-in settings are written first.
    const SaverSettingsRecord s = LoadSettings(SettingsSourceOf(p.Options)).Settings.SaverSettings;
    EXPECT_EQ(s.TimeOnScreen, 77u);
    EXPECT_EQ(s.PsychedelicColors, 2);
    EXPECT_EQ(s.PsycheDelay, 15);
    EXPECT_EQ(s.MovingClouds, 0);  // the later switch wins
    const std::string file = ReadFile(folder.File("control.ini"));
    EXPECT_NE(file.find("TimeOnScreen=3"), std::string::npos) << file;
    EXPECT_NE(file.find("SpecialEffects=0"), std::string::npos) << file;
    EXPECT_NE(file.find("PsycheDelay=10"), std::string::npos) << file;
    EXPECT_EQ(file.find("77"), std::string::npos) << file;
    EXPECT_EQ(file.find("=15"), std::string::npos) << file;
    unsetenv(kConfigDirVariable);
}

TEST_F(LinuxOptions, ANamedSettingsFileIsTheOneReadAtEveryLoad) {
    TempFolder folder;
    setenv(kConfigDirVariable, folder.path().c_str(), 1);
    const std::string chosen = folder.File("mine.ini");
    WriteFile(chosen, "[ScreenSaver.Velmora]\r\nTimeOnScreen=42\r\n");
    SettingsSource named;
    named.NamedFile = chosen;
    const LoadedSettings loaded = LoadSettings(named);
    EXPECT_EQ(loaded.Settings.SaverSettings.TimeOnScreen, 42u);
    EXPECT_STREQ(loaded.Place.SettingsPath, chosen.c_str());
    EXPECT_EQ(ReadFile(folder.File("control.ini")), "");  // the usual file is left alone
    // A named file is only read, whatever it holds: no section of ours is
    // added to another program's file, a binary one or one in UTF-16.
    const std::string binary = std::string("\x7f" "ELF\x02\x01\0\0[x]\0", 13) + std::string(3000, '\xAA');
    for (const std::string& content : {binary, std::string("\xFE\xFF\0[\0S\0]\0\n", 10), std::string()}) {
        WriteFile(chosen, content);
        EXPECT_EQ(LoadSettings(named).Settings.SaverSettings.TimeOnScreen, kDefaultSettings.TimeOnScreen);
        EXPECT_EQ(ReadFile(chosen), content);
    }
    // The path's buffer holds 259 characters and the end: one more is refused,
    // and what is loaded then is the built-in settings, not a path cut short.
    EXPECT_FALSE(UsableSettingsPath(std::string(300, 'a')));
    EXPECT_TRUE(UsableSettingsPath("/" + std::string(258, 'a')));
    EXPECT_FALSE(UsableSettingsPath("/" + std::string(259, 'a')));
    named.NamedFile = "/" + std::string(258, 'a');
    EXPECT_EQ(strlen(LoadSettingNames(named).SettingsPath), 259u);
    named.NamedFile = "/" + std::string(259, 'a');
    const SettingsPlaceRecord too_long = LoadSettingNames(named);
    EXPECT_EQ(too_long.SettingsPath[0], '\0');
    EXPECT_EQ(too_long.SettingsFilePlace, SettingsPlace::NamedTooLong);
    unsetenv(kConfigDirVariable);
}

// A settings file up to 1 MB serves; one byte more is no settings file. One
// that is there but cannot be read (here its folder is a file: ENOTDIR; the
// tests run as root, who reads anything) is refused, not taken as missing.
TEST_F(LinuxOptions, TheSettingsFileCheckHoldsItsLimitsExactly) {
    TempFolder folder;
    std::string problem;
    const std::string ini = folder.File("control.ini");
    const std::string header = "[ScreenSaver.Velmora]\n";
    WriteFile(ini, header + std::string((size_t)kLargestSettingsFile - header.size(), ';'));
    EXPECT_TRUE(ReadableSettings(ini, problem)) << problem;
    WriteFile(ini, header + std::string((size_t)kLargestSettingsFile - header.size() + 1, ';'));
    EXPECT_FALSE(ReadableSettings(ini, problem));
    EXPECT_EQ(problem, "larger than 1 MB, too large for a settings file");
    EXPECT_EQ(kLargestSettingsFile, 1 << 20);

    EXPECT_TRUE(UsableIfPresent(folder.File("none/control.ini"), problem));  // missing: the defaults
    WriteFile(folder.File("plain"), "a file, not a folder");
    problem.clear();
    EXPECT_FALSE(UsableIfPresent(folder.File("plain/control.ini"), problem));
    EXPECT_EQ(problem, "Not a directory");
}

// Every widget of XScreenSaver's settings dialog gives options the program takes,
// at both ends of each slider.
TEST_F(LinuxOptions, TheXScreenSaverDescriptionSpeaksOurCommandLine) {
    const std::string xml = ReadFile(VELMORA_XSCREENSAVER_XML);
    ASSERT_FALSE(xml.empty());
    std::vector<std::string> low, high;
    const std::regex command(R"re(<command arg="([^"]*)")re");
    const std::regex number(R"re(<number[^>]*arg="([^"%]*)%"[^>]*low="(\d+)" high="(\d+)" default="(\d+)")re");
    const std::regex flag(R"re(arg-(?:set|unset)="([^"]*)")re");
    int widgets = 0;
    auto split_into = [](const std::string& text, std::vector<std::string>& out) {
        std::string word;
        for (char c : text + " ") {
            if (c != ' ') word += c;
            else if (!word.empty()) out.push_back(word), word.clear();
        }
    };
    for (std::sregex_iterator m(xml.begin(), xml.end(), command), end; m != end; ++m) {
        split_into((*m)[1], low);
        split_into((*m)[1], high);
    }
    for (std::sregex_iterator m(xml.begin(), xml.end(), number), end; m != end; ++m, ++widgets) {
        EXPECT_LE(std::stoi((*m)[2]), std::stoi((*m)[4]));
        EXPECT_LE(std::stoi((*m)[4]), std::stoi((*m)[3]));
        split_into((*m)[1].str() + (*m)[2].str(), low);
        split_into((*m)[1].str() + (*m)[3].str(), high);
    }
    for (std::sregex_iterator m(xml.begin(), xml.end(), flag), end; m != end; ++m) {
        split_into((*m)[1], low);
        split_into((*m)[1], high);
    }
    const std::regex box("<boolean ");
    widgets += (int)std::distance(std::sregex_iterator(xml.begin(), xml.end(), box), std::sregex_iterator());
    EXPECT_EQ(widgets, 10);
    for (const auto* words : {&low, &high}) {
        Parsed p = Parse(*words, "0x400001");
        EXPECT_TRUE(p.Ok) << p.Problem;
        EXPECT_EQ(p.Options.Mode, RunMode::Embedded);
        EXPECT_EQ(p.Options.WindowId, 0x400001ul);
    }
}

// XScreenSaver's dialog is in charge of what it shows: with every box
// unchecked and every number at the dialog's default (which the dialog then
// leaves out), nothing of a settings file that turns everything on shows.
TEST_F(LinuxOptions, TheXScreenSaverDialogDecidesWhatItShows) {
    const std::string xml = ReadFile(VELMORA_XSCREENSAVER_XML);
    std::vector<std::string> words;
    const std::regex command(R"re(<command arg="([^"]*)")re");
    for (std::sregex_iterator m(xml.begin(), xml.end(), command), end; m != end; ++m) words.push_back((*m)[1]);
    // An unchecked box writes its arg-unset, if it has one.
    const std::regex flag(R"re(<boolean[^>]*?(?:arg-unset="([^"]*)")?\s*/>)re");
    for (std::sregex_iterator m(xml.begin(), xml.end(), flag), end; m != end; ++m)
        if ((*m)[1].matched) words.push_back((*m)[1]);
    // The dialog's defaults are the program's own.
    const std::regex number(R"re(<number[^>]*arg="([^"%]*) %"[^>]*default="(\d+)")re");
    int numbers = 0;
    for (std::sregex_iterator m(xml.begin(), xml.end(), number), end; m != end; ++m, ++numbers) {
        bool found = false;
        for (size_t k = 0; k < kSettingOptionCount; k++)
            if ((*m)[1] == kSettingOptions[k].Name) {
                found = true;
                EXPECT_EQ(kSettingOptions[k].Read(kDefaultSettings), std::stoi((*m)[2])) << (*m)[1];
            }
        EXPECT_TRUE(found) << (*m)[1];
    }
    EXPECT_EQ(numbers, 5);

    TempFolder folder;
    setenv(kConfigDirVariable, folder.path().c_str(), 1);
    WriteFile(folder.File("control.ini"),
              "[ScreenSaver.Velmora]\nTimeOnScreen=99\nEffectCycle=7\nSpecialEffects=7\nContColorChange=1\n"
              "MovingSpeed=40\nTransformSteps=300\nPsycheDelay=500\nGranularity=33\n");
    Parsed p = Parse(words, "0x400001");
    ASSERT_TRUE(p.Ok) << p.Problem;
    const SaverSettingsRecord s = LoadSettings(SettingsSourceOf(p.Options)).Settings.SaverSettings;
    EXPECT_EQ(s.MovingClouds, 0);
    EXPECT_EQ(s.PsychedelicColors, 0);
    EXPECT_EQ(s.TransformingClouds, 0);
    EXPECT_EQ(s.ContColorChange, 0);
    EXPECT_EQ(s.TimeOnScreen, kDefaultSettings.TimeOnScreen);
    EXPECT_EQ(s.EffectCycle, kDefaultSettings.EffectCycle);
    EXPECT_EQ(s.MovingSpeed, kDefaultSettings.MovingSpeed);
    EXPECT_EQ(s.TransformSteps, kDefaultSettings.TransformSteps);
    EXPECT_EQ(s.PsycheDelay, kDefaultSettings.PsycheDelay);
    EXPECT_EQ(s.Granularity, 33);  // not in the dialog: the file's
    unsetenv(kConfigDirVariable);
}

// A window over monitors of different sizes is asked to reach the furthest
// edge each way: the lower edge of the taller monitor, not of the shorter one.
TEST(ScreenMonitors, TheWindowManagerIsToldTheOutermostEdges) {
    // The primary 400x300 at the left, 240x200 right of it, 300x500 above both.
    const std::vector<RECT> monitors = {{0, 0, 400, 300}, {400, 0, 640, 200}, {100, -500, 400, 0}};
    const OutermostMonitors edges = FindOutermostMonitors(monitors);
    EXPECT_EQ(edges.Top, 2);
    EXPECT_EQ(edges.Bottom, 0);
    EXPECT_EQ(edges.Left, 0);
    EXPECT_EQ(edges.Right, 1);
    const RECT all = MonitorsBounds(monitors);
    EXPECT_EQ(all.top, -500);
    EXPECT_EQ(all.bottom, 300);
    EXPECT_EQ(all.right, 640);
}

}  // namespace
