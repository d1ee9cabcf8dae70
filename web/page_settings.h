// The settings as the page carries them: in its address (a link that
// reproduces one start: the calendar time, the random seed and every setting),
// in its panel (the setting options, as the dialog accepts them) and in the
// browser's storage (the settings file's own text).
#ifndef VELMORA_WEB_PAGE_SETTINGS_H
#define VELMORA_WEB_PAGE_SETTINGS_H

#include "config/setting_options.h"

#include <cstdint>
#include <string>
#include <vector>

// What a link asks for: arguments in pairs, "--name value", as the page makes
// them from its address ("?time=1700000000&ms=417&moving-clouds=0").
struct PageLink {
    bool HasTime = false;
    uint32_t Time = 0;  // calendar seconds when the first saver window is made
    uint32_t Ms = 0;    // and the millisecond, which seeds the random source
    SettingOverrides Settings;
    // The visitor's system asks for reduced motion and no effects were chosen
    // for this visit ("still=1", the page's own): every saver of the page
    // shows still pictures, while the panel, the address and the stored file
    // keep the settings as they are.
    bool Still = false;
};

// Over a run's settings: no flowing colours, no moving, no fading.
void MakeStill(SettingOverrides& overrides);

// What cannot be taken goes to problems, one line each, and is left out.
PageLink ParseLink(int argc, char** argv, std::vector<std::string>& problems);

// The address's query for a start at this calendar time with these settings.
std::string LinkQuery(uint64_t calendar_ms, const SaverSettingsRecord& settings);

// The panel: each setting once (a switch and its "--no-" partner as one),
// with its range, help, value and unit, as JSON.
std::string DescribeSettings(const SaverSettingsRecord& settings);

// A change from the panel: the option's index and the value (0 or 1 for a
// switch). False, and nothing changed, when either is out of range.
bool ApplyPageSetting(int32_t index, int32_t value, SaverSettingsRecord& settings);
// The same change added to settings over a file (the preview's edits).
bool TakePageSetting(int32_t index, int32_t value, SettingOverrides& overrides);

// Settings kept by the browser outside the ranges the address and the panel
// take (the numbers the file holds, read as the unsigned numbers they are):
// each is replaced for the run by its built-in value, ahead of the link's own
// settings, and said in a line of problems. The stored text stays as it is
// until the user saves from the panel; the page's link then always gives its
// pictures again.
void KeepStoredSettingsInRange(const SaverSettingsRecord& stored, SettingOverrides& overrides,
                               std::vector<std::string>& problems);

// What a notice repeats of the address: at most 80 characters, then an ellipsis.
std::string CutForNotice(const std::string& text);

#endif
