#include "page_run.h"

#include "canvas_presenter.h"
#include "page_settings.h"
#include "page_storage.h"

#include "config/settings.h"
#include "live/saver_windows.h"
#include "saver/host.h"
#include "saver/picture_render.h"
#include "saver/saver_record.h"
#include "saver/window_core.h"

#include <chrono>
#include <cstdlib>
#include <string>

namespace np = native_platform;

namespace {

constexpr uint32_t kFullScreenLeaveWait = 2000;  // ms the browser may take to give the page its size back
constexpr int32_t kLargestSavedSide = 8192;       // pixels of a saved picture, either way
constexpr char kPreviewFrameClass[] = "VelmoraPreviewFrame";

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
    PageSize Size = {0, 0, false, 0, 0};
    uint64_t Start = 0;  // calendar ms the running window started at
    // The settings panel's preview: a saver in preview mode in a frame that
    // stands for the dialog's preview area, beside the screen.
    HWND PreviewFrame = nullptr;
    HWND Preview = nullptr;
};

// What the savers of the page run with: the source, made still when the
// visitor asked for reduced motion.
SettingsSource RunningSource(const PageRunRecord& run) {
    SettingsSource source = run.Source;
    if (run.Link.Still) MakeStill(source.Overrides);
    return source;
}

HWND MakePreviewFrame(const RECT& area) {
    WNDCLASSA frame = {};
    frame.lpfnWndProc = DefWindowProcA;
    frame.lpszClassName = kPreviewFrameClass;
    RegisterClassA(&frame);  // the first time; later calls find it registered
    return CreateWindowExA(0, kPreviewFrameClass, "", WS_POPUP | WS_VISIBLE, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, nullptr, nullptr, nullptr, nullptr);
}

void ClosePreview(PageRunRecord& run) {
    if (!run.PreviewFrame) return;
    // A saver window that goes ends its process's loop (as on Windows, where
    // each saver has a process); the page's own saver goes on.
    MSG quit;
    const bool quit_waiting = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    if (run.Preview && IsWindow(run.Preview)) DestroyWindow(run.Preview);
    DestroyWindow(run.PreviewFrame);
    if (!quit_waiting) PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    run.Preview = run.PreviewFrame = nullptr;
}

// The user's settings with the panel's values being edited over them.
void OpenPreview(PageRunRecord& run, const PreviewRequest& request) {
    const RECT area = PreviewArea();
    if (IsRectEmpty(&area)) return;
    SettingsSource source = run.Source;
    for (const auto& edit : request.Edits) TakePageSetting(edit.first, edit.second, source.Overrides);
    if (run.Link.Still) MakeStill(source.Overrides);  // still too, whatever is being edited
    run.PreviewFrame = MakePreviewFrame(area);
    if (run.PreviewFrame) run.Preview = OpenSaverWindow(nullptr, run.PreviewFrame, ScreenSaverProc, source);
    if (!run.Preview) {
        ClosePreview(run);
        ShowNotice("The preview could not start.");
    }
}

// The picture this start began with, as velmora-render makes it for the same
// settings, seed and calendar time, at the size asked (the canvas's by default).
void SavePicture(const PageRunRecord& run, const PictureRequest& request) {
    RenderOptions options;
    options.Width = request.Width > 0 ? request.Width : run.Size.Width;
    options.Height = request.Height > 0 ? request.Height : run.Size.Height;
    if (options.Width > kLargestSavedSide || options.Height > kLargestSavedSide) {
        ShowNotice("A picture is saved at most " + std::to_string(kLargestSavedSide) + " pixels wide and high.");
        return;
    }
    options.Settings = LoadSettings(run.Source).Settings;
    options.Time = (uint32_t)(run.Start / 1000);
    options.SeedMs = (uint32_t)(run.Start % 1000);
    const std::string size = std::to_string(options.Width) + "x" + std::to_string(options.Height);
    // The page cannot catch a failed allocation: it stops. So the room is
    // looked for first: the picture's buffer, the renderer's copy and ours.
    void* room = malloc((size_t)options.Width * (size_t)options.Height * 3 + 65536);
    if (!room) {
        ShowNotice("There is not enough memory for a picture of " + size + ".");
        return;
    }
    free(room);
    RenderPictures(options, [&](uint32_t, const RenderedPicture& picture) -> bool {
        std::vector<uint8_t> top_first(picture.Pixels.size());
        const size_t row = (size_t)options.Width;
        for (int32_t y = 0; y < picture.Height; y++)  // the picture's rows are bottom-up, as in memory
            std::copy_n(picture.Pixels.data() + (size_t)(picture.Height - 1 - y) * row, row,
                        top_first.data() + (size_t)y * row);
        uint8_t colors[768];
        for (int j = 0; j < 256; j++) {
            colors[3 * j] = picture.Colors[j].Red;
            colors[3 * j + 1] = picture.Colors[j].Green;
            colors[3 * j + 2] = picture.Colors[j].Blue;
        }
        OfferPicture(top_first.data(), options.Width, picture.Height, colors,
                     "velmora-" + std::to_string(options.Time) + "-" + std::to_string(options.SeedMs) + "-" +
                         size + ".png");
        return false;  // the first picture only
    });
}

HWND Open(void* context) {
    PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    run.Size = OpenCanvasDisplay();
    // The link's calendar time and millisecond make its first start again;
    // each later start is a new one, and the address says which.
    run.Start = run.First && run.Link.HasTime ? (uint64_t)run.Link.Time * 1000 + run.Link.Ms : CalendarNow();
    run.First = false;
    np::SetCalendarMilliseconds(run.Start);
    bool already_running = false;
    HWND window = StartFullScreen(nullptr, ScreenSaverProc, RunningSource(run), already_running);
    if (!window) ShowNotice("The saver could not start on this page.");
    return window;
}

void Shown(void* context, HWND window) {
    const PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    // The panel and the address show the settings, not the stillness over them.
    const SaverSettingsRecord shown =
        run.Link.Still ? LoadSettings(run.Source).Settings.SaverSettings : SaverOf(window)->Settings.SaverSettings;
    ShowSettings(DescribeSettings(shown));
    ShowAddress(LinkQuery(run.Start, shown));
    // Only in full screen does the saver take input, and end on it as on Windows.
    PresentDisplay(run.Size.FullScreen ? window : nullptr, window);
    NoteStart(run.Size.FullScreen);
}

bool Again(void* context, int) {
    PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    ClosePreview(run);  // it starts over on the next display, with the settings saved now
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

// Between two messages, out of every handler: the preview and a picture to save.
int Beside(void* context, HWND* savers, int most) {
    PageRunRecord& run = *static_cast<PageRunRecord*>(context);
    PreviewRequest preview;
    if (TakePreviewRequest(preview)) {
        ClosePreview(run);
        if (preview.Shown) OpenPreview(run, preview);
    }
    PictureRequest picture;
    if (TakePictureRequest(picture)) SavePicture(run, picture);
    if (run.Preview && !IsWindow(run.Preview)) ClosePreview(run);  // it ended on its own
    if (!run.Preview || most < 1) return 0;
    savers[0] = run.Preview;
    return 1;
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
    const SaverWindowsHooks hooks = {&run, Open, Shown, Again, Beside};
    const int exit_code = RunSaverWindows(hooks);
    return exit_code == kExitWindowFailed ? kExitWindowFailed : 0;
}
