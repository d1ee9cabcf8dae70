#include "recorder.h"

#include "gif_writer.h"
#include "stop_signals.h"

#include "platform/native/display_host.h"
#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/window_core.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>

namespace np = native_platform;

namespace {

// Work that changes the display takes at least this long: a chain that
// re-posts itself at once (colour cycling without delay) still moves the
// clock on, as on a real machine.
constexpr uint32_t kShortestChange = 1;
// And so does work that changes nothing, after this many messages at one tick.
constexpr int kMessagesPerTick = 100000;
// The tick count at the start: that of a machine up for an hour, as on any
// running system (a tick count near 0 would hold back the first effect switch).
constexpr uint32_t kStartTick = 3600000;

struct Progress {
    bool shown = false;
    std::chrono::steady_clock::time_point last;
};

void ShowProgress(Progress& p, uint32_t now, uint32_t end, int frames, bool done) {
    const auto wall = std::chrono::steady_clock::now();
    if (!done && p.shown && wall - p.last < std::chrono::milliseconds(100)) return;
    p.shown = true;
    p.last = wall;
    fprintf(stderr, "\rvelmora: recording %u.%u of %u s, %d frames%s", now / 1000, now / 100 % 10, end / 1000, frames,
            done ? "\n" : "  ");
    fflush(stderr);
}

}  // namespace

bool RecordSaver(const RecordOptions& options, const ChangeObserver& observer, std::string& problem) {
    np::OpenDisplay(options.palette_device ? np::DisplayKind::Palette256 : np::DisplayKind::TrueColor, options.width,
                    options.height);
    np::SetTickCount(kStartTick);
    np::SetCalendarMilliseconds(options.calendar_ms);
    const uint32_t start = GetTickCount(), end = start + options.seconds * 1000;
    // Written under a temporary name: a failed recording leaves no half
    // picture, and whatever had the name before stays until the new one is whole.
    const std::string temporary = options.path + ".part";
    GifRecording gif;
    if (!BeginGif(gif, temporary, options.width, options.height)) {
        problem = gif.problem;
        return false;
    }
    bool already_running = false;
    HWND window = StartFullScreen(nullptr, ScreenSaverProc, already_running);
    if (!window) {
        EndGif(gif, 0);
        remove(temporary.c_str());
        problem = "the saver could not start";
        return false;
    }
    auto read_row = [&](int y, uint32_t* out) { np::ScreenRowRgb(y, 0, options.width, out); };
    Progress progress;
    uint32_t last_tick = start, last_change = UINT32_MAX;
    int messages_at_tick = 0, exit_code = 0;
    bool ok = true;
    while (ok && DispatchNextMessage(exit_code)) {
        if (StopSignal()) {
            gif.problem = std::string("stopped by a signal (") + strsignal(StopSignal()) + "); the unfinished " +
                          temporary + " is removed";
            ok = false;
            break;
        }
        uint32_t now = GetTickCount();
        if (now - start >= end - start) break;
        messages_at_tick = now == last_tick ? messages_at_tick + 1 : 0;
        last_tick = now;
        const RECT changed = np::TakeChangedArea();
        if (changed.left < changed.right && changed.top < changed.bottom) {
            if (observer) observer(now - start);
            ok = ChangeGif(gif, now - start, changed.top, changed.bottom, read_row);
            if (now == last_change) np::AdvanceClock(kShortestChange);
            last_change = now;
        } else if (messages_at_tick >= kMessagesPerTick) {
            np::AdvanceClock(1);
        }
        if (options.show_progress) ShowProgress(progress, now - start, end - start, gif.frames, false);
    }
    if (IsWindow(window)) DestroyWindow(window);
    DiscardQueuedMessages();
    EndFullScreen();
    ok = EndGif(gif, end - start) && ok;
    if (options.show_progress) ShowProgress(progress, end - start, end - start, gif.frames, true);
    if (ok && rename(temporary.c_str(), options.path.c_str()) != 0) {
        gif.problem = options.path + ": " + strerror(errno);
        ok = false;
    }
    if (!ok) {
        problem = gif.problem;
        remove(temporary.c_str());
    }
    return ok;
}
