#include "live_run.h"

#include "presenter.h"

#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/start_values.h"
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

}  // namespace

int RunLive(const ProgramOptions& options) {
    const bool foreign = options.mode == RunMode::Embedded;
    const PresenterPlace place = foreign                                  ? PresenterPlace::ForeignWindow
                                 : options.mode == RunMode::FullScreen ? PresenterPlace::FullScreen
                                                                        : PresenterPlace::Window;
    std::string problem;
    if (!OpenPresenter(place, options.width, options.height, options.window_id, problem)) {
        if (problem.empty()) return 0;  // the window to show on is gone already
        fprintf(stderr, "velmora: %s\n", problem.c_str());
        return 1;
    }
    if (!options.snapshot_file.empty()) AskSnapshot(options.snapshot_file);
    np::UseRealTime(PresenterInput());
    const np::DisplayKind kind = options.palette_device ? np::DisplayKind::Palette256 : np::DisplayKind::TrueColor;
    int exit_code = 0;
    for (;;) {
        np::OpenMonitors(kind, PresenterMonitors(), PresenterRefreshHz());
        TakeSystemCursor();
        HWND parent = foreign ? OpenForeignStandIn() : nullptr;
        bool already_running = false;
        HWND window = foreign ? (parent ? OpenSaverWindow(nullptr, parent, ScreenSaverProc) : nullptr)
                              : StartFullScreen(nullptr, ScreenSaverProc, already_running);
        if (!window) {  // the saver has said why
            exit_code = kExitWindowFailed;
            if (parent) DestroyWindow(parent);
            break;
        }
        // Another program's window takes its own input, as a preview's parent does.
        PresentDisplay(foreign ? nullptr : window, window);
        exit_code = RunMessageLoop();
        const bool resized = TakeResize();
        if (IsWindow(window)) DestroyWindow(window);
        if (parent) DestroyWindow(parent);
        DiscardQueuedMessages();
        if (!foreign) EndFullScreen();
        if (!resized) break;
        // A new size is a new display: the saver starts over on it, as a new process would.
        ReturnToStartValues();
        HandSettingsToStore(options);  // checked at the start
    }
    const std::string failure = PresenterFailure();
    ClosePresenter();
    if (!failure.empty()) {
        fprintf(stderr, "velmora: %s\n", failure.c_str());
        return 1;
    }
    return exit_code;
}
