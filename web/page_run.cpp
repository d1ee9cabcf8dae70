#include "page_run.h"

#include "canvas_presenter.h"
#include "page_settings.h"
#include "page_storage.h"

#include "config/settings.h"
#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/start_values.h"
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

}  // namespace

int RunPage(const PageLink& link) {
    np::UseRealTime(CanvasInput());
    RestoreSettingsFile();
    // What the browser kept, checked as the address and the panel are checked.
    SettingOverrides overrides = link.settings;
    UseSettingOverrides(SettingOverrides{});
    LoadSettings();
    std::vector<std::string> problems;
    KeepStoredSettingsInRange(SaverSettings, overrides, problems);
    for (const std::string& problem : problems) ShowNotice("Left out of the stored settings: " + problem);
    UseSettingOverrides(overrides);
    bool first = true;
    for (;;) {
        const PageSize size = OpenCanvasDisplay();
        // The link's calendar time and millisecond make its first start again;
        // each later start is a new one, and the address says which.
        const uint64_t start = first && link.has_time ? (uint64_t)link.time * 1000 + link.ms : CalendarNow();
        first = false;
        np::SetCalendarMilliseconds(start);
        bool already_running = false;
        HWND window = StartFullScreen(nullptr, ScreenSaverProc, already_running);
        if (!window) {
            ShowNotice("The saver could not start on this page.");
            return kExitWindowFailed;
        }
        ShowSettings(DescribeSettings(SaverSettings));
        ShowAddress(LinkQuery(start, SaverSettings));
        // Only in full screen does the saver take input, and end on it as on Windows.
        PresentDisplay(size.full_screen ? window : nullptr);
        NoteStart(size.full_screen);
        RunMessageLoop();
        bool restart = TakeRestart();
        if (IsWindow(window)) DestroyWindow(window);
        EndFullScreen();
        if (!restart && size.full_screen) {
            LeaveFullScreen();
            WaitForNewSize(kFullScreenLeaveWait);
            TakeRestart();
            restart = true;
        }
        DiscardQueuedMessages();
        if (!restart) {  // the saver ended on its own
            ShowNotice("The saver has stopped. Reload the page to start it again.");
            return 0;
        }
        const auto changes = TakeSettingChanges();
        ReturnToStartValues();
        if (!changes.empty()) {
            UseSettingOverrides(overrides);
            const SaveResult saved = SaveChangedSettings(changes);
            if (saved == SaveResult::NotWritten) ShowNotice("The settings could not be saved.");
            // What the link set is in the file now, as the panel showed it.
            if (saved == SaveResult::Saved) overrides = SettingOverrides{};
        }
        UseSettingOverrides(overrides);
    }
}
