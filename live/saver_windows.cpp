#include "saver_windows.h"

#include "saver/host.h"
#include "saver/message_loop.h"

int RunSaverWindows(const SaverWindowsHooks& hooks) {
    for (;;) {
        HWND window = hooks.Open(hooks.Context);
        if (!window) return kExitWindowFailed;
        hooks.Shown(hooks.Context, window);
        const int exit_code = RunMessageLoop(window);
        if (IsWindow(window)) DestroyWindow(window);
        const bool again = hooks.Again(hooks.Context, exit_code);  // the program's windows go here too
        DiscardQueuedMessages();
        if (!again) return exit_code;
    }
}
