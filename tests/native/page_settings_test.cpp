// The web page's address and panel: what a link carries comes back as it went.
#include "web/page_settings.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The page's arguments for a query: "a=1&b=2" gives --a 1 --b 2.
struct LinkArguments {
    std::vector<std::string> Words{"velmora"};
    std::vector<char*> Argv;
    explicit LinkArguments(const std::string& query) {
        std::stringstream pairs(query);
        std::string pair;
        while (std::getline(pairs, pair, '&')) {
            const size_t equals = pair.find('=');
            Words.push_back("--" + pair.substr(0, equals));
            Words.push_back(equals == std::string::npos ? "" : pair.substr(equals + 1));
        }
        for (std::string& w : Words) Argv.push_back(w.data());
    }
    PageLink Parse(std::vector<std::string>& problems) { return ParseLink((int)Argv.size(), Argv.data(), problems); }
};

SaverSettingsRecord Applied(const PageLink& link) {
    SaverSettingsRecord settings = kDefaultSettings;
    ApplySettingOverrides(link.Settings, settings);
    return settings;
}

int OptionIndex(const char* name) {
    for (size_t i = 0; i < kSettingOptionCount; i++)
        if (std::string(kSettingOptions[i].Name) == name) return (int)i;
    return -1;
}

}  // namespace

TEST(PageLink, CarriesTimeSeedAndEverySettingThereAndBack) {
    SaverSettingsRecord chosen = kDefaultSettings;
    chosen.TimeOnScreen = 77;
    chosen.EffectCycle = 0;
    chosen.MovingClouds = 1;
    chosen.MovingSpeed = 240;
    chosen.TransformingClouds = 0;
    chosen.TransformSteps = 99999;
    chosen.PsychedelicColors = 2;
    chosen.PsycheDelay = 0;
    chosen.ContColorChange = 0;
    const std::string query = LinkQuery(1700000000417ull, chosen);
    EXPECT_EQ(query.rfind("time=1700000000&ms=417&", 0), 0u) << query;

    std::vector<std::string> problems;
    LinkArguments arguments(query);
    const PageLink link = arguments.Parse(problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_TRUE(link.HasTime);
    EXPECT_EQ(link.Time, 1700000000u);
    EXPECT_EQ(link.Ms, 417u);
    const SaverSettingsRecord back = Applied(link);
    for (size_t i = 0; i < kSettingOptionCount; i++)
        EXPECT_EQ(kSettingOptions[i].Read(back), kSettingOptions[i].Read(chosen)) << kSettingOptions[i].Name;
}

TEST(PageLink, LeavesOutWhatItCannotTakeAndSaysWhy) {
    std::vector<std::string> problems;
    LinkArguments arguments(
        "time=-5&ms=1000&time-on-screen=100000&moving-clouds=yes&no-moving-clouds=1&colour=red&cycle-delay=12&ms=999");
    const PageLink link = arguments.Parse(problems);
    ASSERT_EQ(problems.size(), 7u);
    EXPECT_EQ(problems[0], "time takes seconds since 1970, not \"-5\"");
    EXPECT_EQ(problems[1], "ms takes a millisecond from 0 to 999, not \"1000\"");
    EXPECT_EQ(problems[2], "time-on-screen takes a whole number from 0 to 99999, not \"100000\"");
    EXPECT_EQ(problems[3], "moving-clouds takes 0 or 1, not \"yes\"");
    EXPECT_EQ(problems[4], "not a setting: no-moving-clouds");
    EXPECT_EQ(problems[5], "not a setting: colour");
    EXPECT_EQ(problems[6], "ms needs the time it belongs to");
    EXPECT_FALSE(link.HasTime);
    EXPECT_EQ(link.Ms, 999u);  // what could be taken is kept
    const SaverSettingsRecord settings = Applied(link);
    EXPECT_EQ(settings.PsycheDelay, 12);
    EXPECT_EQ(settings.TimeOnScreen, kDefaultSettings.TimeOnScreen);
    EXPECT_EQ(settings.MovingClouds, kDefaultSettings.MovingClouds);
}

TEST(PageLink, StillStopsEveryEffectOverWhateverTheLinkAsksAndOnlyForTheRun) {
    std::vector<std::string> problems;
    LinkArguments arguments("psychedelic-colors=1&moving-clouds=1&transforming-clouds=1&still=1&cycle-delay=7");
    PageLink link = arguments.Parse(problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_TRUE(link.Still);
    const SaverSettingsRecord asked = Applied(link);  // what the panel and the address show
    EXPECT_NE(asked.PsychedelicColors, 0);
    EXPECT_NE(asked.MovingClouds, 0);
    EXPECT_NE(asked.TransformingClouds, 0);

    MakeStill(link.Settings);
    const SaverSettingsRecord running = Applied(link);
    EXPECT_EQ(running.PsychedelicColors, 0);
    EXPECT_EQ(running.MovingClouds, 0);
    EXPECT_EQ(running.TransformingClouds, 0);
    EXPECT_EQ(running.PsycheDelay, 7);  // the rest as asked
    EXPECT_EQ(LinkQuery(0, asked).find("still"), std::string::npos) << "the address never carries it";

    LinkArguments wrong("still=yes");
    problems.clear();
    EXPECT_FALSE(wrong.Parse(problems).Still);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "still takes 0 or 1, not \"yes\"");
}

TEST(PagePanel, ShowsEachSettingOnceWithTheDialogsRange) {
    SaverSettingsRecord settings = kDefaultSettings;
    settings.TransformingClouds = 4;
    settings.MovingSpeed = 9;
    const std::string json = DescribeSettings(settings);
    EXPECT_EQ(json.find("no-"), std::string::npos) << "a switch's partner is not a setting of its own";
    EXPECT_NE(json.find("{\"index\":" + std::to_string(OptionIndex("--moving-speed")) +
                        ",\"name\":\"moving-speed\",\"switch\":false,\"min\":1,\"max\":240,\"value\":9,"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"name\":\"transforming-clouds\",\"switch\":true,\"min\":0,\"max\":1,\"value\":1,"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"unit\":\"ROWS\"}"), std::string::npos) << json;
    EXPECT_EQ(json.front(), '[');
    EXPECT_EQ(json.back(), ']');
}

TEST(PagePanel, AChangeWithinRangeIsAppliedAndAnyOtherIsRefused) {
    SaverSettingsRecord settings = kDefaultSettings;
    const int transforming = OptionIndex("--transforming-clouds");
    EXPECT_TRUE(ApplyPageSetting(transforming, 1, settings));
    EXPECT_EQ(settings.TransformingClouds, 4);
    EXPECT_TRUE(ApplyPageSetting(transforming, 0, settings));
    EXPECT_EQ(settings.TransformingClouds, 0);
    const int delay = OptionIndex("--cycle-delay");
    EXPECT_TRUE(ApplyPageSetting(delay, 999, settings));
    EXPECT_EQ(settings.PsycheDelay, 999);

    const SaverSettingsRecord before = settings;
    EXPECT_FALSE(ApplyPageSetting(delay, 1000, settings));
    EXPECT_FALSE(ApplyPageSetting(delay, -1, settings));
    EXPECT_FALSE(ApplyPageSetting(transforming, 2, settings));
    EXPECT_FALSE(ApplyPageSetting(OptionIndex("--no-transforming-clouds"), 1, settings));
    EXPECT_FALSE(ApplyPageSetting(-1, 0, settings));
    EXPECT_FALSE(ApplyPageSetting((int32_t)kSettingOptionCount, 0, settings));
    for (size_t i = 0; i < kSettingOptionCount; i++)
        EXPECT_EQ(kSettingOptions[i].Read(settings), kSettingOptions[i].Read(before)) << kSettingOptions[i].Name;
}

// The preview's edits go over the user's settings as overrides, the last
// edit of a setting winning; what the panel cannot send adds nothing.
TEST(PagePanel, EditsForThePreviewGoOverTheSettingsInOrder) {
    SettingOverrides edits;
    const int transforming = OptionIndex("--transforming-clouds");
    const int delay = OptionIndex("--cycle-delay");
    EXPECT_TRUE(TakePageSetting(transforming, 1, edits));
    EXPECT_TRUE(TakePageSetting(delay, 40, edits));
    EXPECT_TRUE(TakePageSetting(delay, 41, edits));
    EXPECT_TRUE(TakePageSetting(transforming, 0, edits));
    EXPECT_FALSE(TakePageSetting(delay, 1000, edits));
    EXPECT_FALSE(TakePageSetting(transforming, 2, edits));
    EXPECT_FALSE(TakePageSetting((int32_t)kSettingOptionCount, 0, edits));
    ASSERT_EQ(edits.Taken.size(), 4u);
    SaverSettingsRecord settings = kDefaultSettings;
    settings.TransformingClouds = 4;
    ApplySettingOverrides(edits, settings);
    EXPECT_EQ(settings.TransformingClouds, 0);
    EXPECT_EQ(settings.PsycheDelay, 41);
}

// Stored numbers the page cannot take run as the built-in ones, ahead of the
// link's own settings, which still win.
TEST(PageStoredSettings, OutOfRangeValuesRunAsBuiltInAndTheLinkStillWins) {
    SaverSettingsRecord stored = kDefaultSettings;
    stored.TimeOnScreen = 4294967295u;  // as the file holds it
    stored.EffectCycle = -7;            // stored as 4294967289
    stored.MovingSpeed = 0;
    stored.PsycheDelay = 999;  // the last value in range
    std::vector<std::string> problems;
    LinkArguments arguments("effect-cycle=12");
    PageLink link = arguments.Parse(problems);
    ASSERT_TRUE(problems.empty());
    KeepStoredSettingsInRange(stored, link.Settings, problems);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], "the stored time-on-screen 4294967295 is not one the page takes (0 to 99999): the built-in 3 "
                           "is used instead");
    EXPECT_NE(problems[1].find("effect-cycle 4294967289"), std::string::npos) << problems[1];
    EXPECT_NE(problems[2].find("moving-speed 0 is not one the page takes (1 to 240): the built-in 4"),
              std::string::npos)
        << problems[2];
    SaverSettingsRecord run = stored;
    ApplySettingOverrides(link.Settings, run);
    EXPECT_EQ(run.TimeOnScreen, 3u);
    EXPECT_EQ(run.EffectCycle, 12);  // the link's
    EXPECT_EQ(run.MovingSpeed, 4);
    EXPECT_EQ(run.PsycheDelay, 999);
}

TEST(PageNotices, RepeatAtMostEightyCharactersOfTheAddress) {
    EXPECT_EQ(CutForNotice(std::string(80, 'a')), std::string(80, 'a'));
    EXPECT_EQ(CutForNotice(std::string(81, 'a')), std::string(80, 'a') + "\u2026");
    // Never inside a character of several bytes.
    const std::string wide = std::string(79, 'a') + "\u00e9\u00e9";
    EXPECT_EQ(CutForNotice(wide), std::string(79, 'a') + "\u2026");
    std::vector<std::string> problems;
    LinkArguments arguments(std::string(5000, 'k') + "=1&time=" + std::string(300, '9'));
    arguments.Parse(problems);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "not a setting: " + std::string(80, 'k') + "\u2026");
    EXPECT_EQ(problems[1], "time takes seconds since 1970, not \"" + std::string(80, '9') + "\u2026\"");
}
