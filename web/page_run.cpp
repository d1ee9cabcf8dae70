#include "page_run.h"

#include "canvas_presenter.h"
#include "page_settings.h"
#include "page_storage.h"

#include "config/settings.h"
#include "live/saver_windows.h"
#include "saver/host.h"
#include "saver/saver_record.h"
#include "saver/window_core.h"

#include <chrono>

namespace np = native_platform;

namespace {

constexpr uint32_t kFullScreenLeaveWait = 2000;  // ms the browser may take to give the page its size back

uint64_t CalendarNow() {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The page's run: its link, the settings source every saver window of it
// reads, and the start of the window now running.
struct PageRunRecord {
    PageLink Link;
    SettingsSource Source;  // the user's file, and the link's settings over it
    bool First = true;
    PageSize Size = {0, 0, false};
    uint64_t Start = 0;  // calendar ms the running window started at
};

HWND Open(void* context) {
    PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    run.Size = OpenCanvasDisplay();
    // The link's calendar time and millisecond make its first start again;
    // each later start is a new one, and the address says which.
    run.Start = run.First && run.Link.HasTime ? (uint64_t)run.Link.Time * 1000 + run.Link.Ms : CalendarNow();
    run.First = false;
    np::SetCalendarMilliseconds(run.Start);
    bool already_running = false;
    HWND window = StartFullScreen(nullptr, ScreenSaverProc, run.Source, already_running);
    if (!window) ShowNotice("The saver could not start on this page.");
    return window;
}

void Shown(void* context, HWND window) {
    const PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    const SaverSettingsRecord& shown = SaverOf(window)->Settings.SaverSettings;
    ShowSettings(DescribeSettings(shown));
    ShowAddress(LinkQuery(run.Start, shown));
    // Only in full screen does the saver take input, and end on it as on Windows.
    PresentDisplay(run.Size.FullScreen ? window : nullptr, window);
    NoteStart(run.Size.FullScreen);
}

bool Again(void* context, int) {
    PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    bool restart = TakeRestart();
    if (!restart && run.Size.FullScreen) {  // ended on input: back to the page
        LeaveFullScreen();
        WaitForNewSize(kFullScreenLeaveWait);
        TakeRestart();
        restart = true;
    }
    if (!restart) {  // the saver ended on its own
        ShowNotice("The saver has stopped. Reload the page to start it again.");
        return false;
    }
    const auto changes = TakeSettingChanges();
    if (changes.empty()) return true;
    const SaveResult saved = SaveChangedSettings(run.Source, changes);
    if (saved == SaveResult::NotWritten) ShowNotice("The settings could not be saved.");
    // What the link set is in the file now, as the panel showed it.
    if (saved == SaveResult::Saved) run.Source.Overrides = SettingOverrides{};
    return true;
}

}  // namespace

int RunPage(const PageLink& link) {
    np::UseRealTime(CanvasInput());
    RestoreSettingsFile();
    // What the browser kept, checked as the address and the panel are checked.
    PageRunRecord run;
    run.Link = link;
    run.Source.Overrides = link.Settings;
    std::vector<std::string> problems;
    KeepStoredSettingsInRange(LoadSettings(SettingsSource{}).Settings.SaverSettings, run.Source.Overrides, problems);
    for (const std::string& problem : problems) ShowNotice("Left out of the stored settings: " + problem);
    const SaverWindowsHooks hooks = {&run, Open, Shown, Again};
    const int exit_code = RunSaverWindows(hooks);
    return exit_code == kExitWindowFailed ? kExitWindowFailed : 0;
}
