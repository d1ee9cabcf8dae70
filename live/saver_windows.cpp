#include "saver_windows.h"

#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/saver_record.h"

#include <algorithm>

namespace {

// The window's loop, with the savers beside it dispatched and paced alike.
int RunWithSaversBeside(HWND window, const SaverWindowsHooks& hooks) {
    HWND savers[1 + kMostSaversBeside] = {window};
    int exit_code = 0;
    for (;;) {
        const int beside = std::clamp(hooks.Beside(hooks.Context, savers + 1, kMostSaversBeside), 0, kMostSaversBeside);
        if (!DispatchNextMessage(savers, 1 + (size_t)beside, exit_code)) break;
    }
    if (SaverRecord* saver = SaverOf(window)) GiveBackTimerResolution(saver->PacedMessage);
    return exit_code;
}

}  // namespace

int RunSaverWindows(const SaverWindowsHooks& hooks) {
    for (;;) {
        HWND window = hooks.Open(hooks.Context);
        if (!window) return kExitWindowFailed;
        hooks.Shown(hooks.Context, window);
        const int exit_code = hooks.Beside ? RunWithSaversBeside(window, hooks) : RunMessageLoop(window);
        if (IsWindow(window)) DestroyWindow(window);
        const bool again = hooks.Again(hooks.Context, exit_code);  // the program's windows go here too
        DiscardQueuedMessages();
        if (!again) return exit_code;
    }
}
