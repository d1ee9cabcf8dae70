#include "live_run.h"

#include "presenter.h"

#include "live/saver_windows.h"
#include "saver/host.h"
#include "saver/window_core.h"

#include <cstdio>

namespace np = native_platform;

namespace {

constexpr char kEmbeddingClass[] = "VelmoraForeignWindow";

// Another program's window, as the saver sees it: the parent of a preview.
HWND OpenForeignStandIn() {
    WNDCLASSA stand_in = {};
    stand_in.lpfnWndProc = DefWindowProcA;
    stand_in.lpszClassName = kEmbeddingClass;
    if (!RegisterClassA(&stand_in) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return CreateWindowExA(0, kEmbeddingClass, "", WS_POPUP | WS_VISIBLE, 0, 0, np::DisplayWidth(),
                           np::DisplayHeight(), nullptr, nullptr, nullptr, nullptr);
}

struct LiveRunRecord {
    const ProgramOptions* Options;
    SettingsSource Source;
    bool Foreign;
    np::DisplayKind Kind;
    HWND Parent = nullptr;  // the stand-in for another program's window
};

HWND OpenWindow(void* context) {
    LiveRunRecord& run = *static_cast<LiveRunRecord*>(context);
    np::OpenMonitors(run.Kind, PresenterMonitors(), PresenterRefreshHz());
    TakeSystemCursor();
    if (!run.Foreign) {
        bool already_running = false;
        return StartFullScreen(nullptr, ScreenSaverProc, run.Source, already_running);
    }
    run.Parent = OpenForeignStandIn();
    HWND window = run.Parent ? OpenSaverWindow(nullptr, run.Parent, ScreenSaverProc, run.Source) : nullptr;
    if (!window && run.Parent) DestroyWindow(run.Parent);
    return window;
}

// Another program's window takes its own input, as a preview's parent does.
void Shown(void* context, HWND window) {
    const LiveRunRecord& run = *static_cast<LiveRunRecord*>(context);
    PresentDisplay(run.Foreign ? nullptr : window, window);
}

// A new size is a new display: the saver starts over on it, as a new process would.
bool Again(void* context, int) {
    LiveRunRecord& run = *static_cast<LiveRunRecord*>(context);
    if (run.Parent) DestroyWindow(run.Parent);
    run.Parent = nullptr;
    return TakeResize();
}

}  // namespace

int RunLive(const ProgramOptions& options) {
    const bool foreign = options.Mode == RunMode::Embedded;
    const PresenterPlace place = foreign                                  ? PresenterPlace::ForeignWindow
                                 : options.Mode == RunMode::FullScreen ? PresenterPlace::FullScreen
                                                                        : PresenterPlace::Window;
    std::string problem;
    if (!OpenPresenter(place, options.Width, options.Height, options.WindowId, problem)) {
        if (problem.empty()) return 0;  // the window to show on is gone already
        fprintf(stderr, "velmora: %s\n", problem.c_str());
        return 1;
    }
    if (!options.SnapshotFile.empty()) AskSnapshot(options.SnapshotFile);
    np::UseRealTime(PresenterInput());
    LiveRunRecord run = {&options, SettingsSourceOf(options), foreign,
                         options.PaletteDevice ? np::DisplayKind::Palette256 : np::DisplayKind::TrueColor};
    const SaverWindowsHooks hooks = {&run, OpenWindow, Shown, Again};
    const int exit_code = RunSaverWindows(hooks);
    const std::string failure = PresenterFailure();
    ClosePresenter();
    if (!failure.empty()) {
        fprintf(stderr, "velmora: %s\n", failure.c_str());
        return 1;
    }
    return exit_code;
}
