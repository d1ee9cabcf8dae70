#include "recorder.h"

#include "gif_writer.h"
#include "output/pending_file.h"
#include "stop_signals.h"

#include "platform/native/display_host.h"
#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/window_core.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <unistd.h>
#include <strings.h>
#include <vector>

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
    bool Shown = false;
    std::chrono::steady_clock::time_point Last;
};

void ShowProgress(Progress& p, uint32_t now, uint32_t end, int frames, bool done) {
    const auto wall = std::chrono::steady_clock::now();
    if (!done && p.Shown && wall - p.Last < std::chrono::milliseconds(100)) return;
    p.Shown = true;
    p.Last = wall;
    fprintf(stderr, "\rvelmora: recording %u.%u of %u s, %d frames%s", now / 1000, now / 100 % 10, end / 1000, frames,
            done ? "\n" : "  ");
    fflush(stderr);
}

// Where the frames go: the GIF or video writer, behind one face.
struct Output {
    RecordFormat Format = RecordFormat::Gif;
    GifRecording Gif;
    VideoRecording Video;
    int FramesPerSecond = kGifFramesPerSecond;
    uint64_t Frames = 0;  // written so far; frame k stands at k * 1000 / FramesPerSecond ms
};

// The writers take the pending file over: giflib its descriptor, FFmpeg its
// name (its MP4 muxer opens the file again by name to put the index first).
bool BeginOutput(Output& out, const RecordOptions& options, PendingFile& file) {
    out.Format = options.Format;
    if (out.Format == RecordFormat::Gif) {
        out.FramesPerSecond = kGifFramesPerSecond;
        return BeginGif(out.Gif, TakeDescriptor(file), options.Width, options.Height);
    }
    close(TakeDescriptor(file));
    out.FramesPerSecond = options.FramesPerSecond;
    return BeginVideo(out.Video, file.Temporary,
                      out.Format == RecordFormat::Mp4 ? VideoFormat::Mp4 : VideoFormat::WebM, options.Width,
                      options.Height, options.FramesPerSecond, options.Quality);
}

uint32_t FrameInstant(const Output& out, uint64_t k) { return (uint32_t)(k * 1000 / (uint64_t)out.FramesPerSecond); }

// Writes every frame whose instant lies before time_ms, from the picture as it stands.
bool WriteFramesBefore(Output& out, uint32_t time_ms, uint64_t last_frame, const std::vector<uint32_t>& picture,
                       bool& changed) {
    for (; out.Frames < last_frame && FrameInstant(out, out.Frames) < time_ms; out.Frames++) {
        bool ok;
        if (out.Format == RecordFormat::Gif)
            // A GIF keeps an unchanged picture in the frame before, which lasts longer.
            ok = !changed || GifStateFrom(out.Gif, (uint32_t)(out.Frames * 100 / kGifFramesPerSecond), picture.data());
        else
            ok = PutVideoFrame(out.Video, picture.data(), changed);
        if (!ok) return false;
        changed = false;
    }
    return true;
}

bool EndOutput(Output& out, uint32_t seconds, bool complete) {
    if (out.Format == RecordFormat::Gif) {
        const bool ended = EndGif(out.Gif, seconds * 100);
        return ended && complete;
    }
    return EndVideo(out.Video, complete);
}

int FramesWritten(const Output& out) { return out.Format == RecordFormat::Gif ? out.Gif.Frames : (int)out.Frames; }

const std::string& Problem(const Output& out) {
    return out.Format == RecordFormat::Gif ? out.Gif.Problem : out.Video.Problem;
}

}  // namespace

bool RecordFormatOf(const std::string& path, RecordFormat& format) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    const char* extension = path.c_str() + dot + 1;
    if (strcasecmp(extension, "gif") == 0) return format = RecordFormat::Gif, true;
    if (strcasecmp(extension, "mp4") == 0) return format = RecordFormat::Mp4, true;
    if (strcasecmp(extension, "webm") == 0) return format = RecordFormat::WebM, true;
    return false;
}

bool RecordSaver(const RecordOptions& options, const ChangeObserver& observer, std::string& problem) {
    np::OpenDisplay(options.PaletteDevice ? np::DisplayKind::Palette256 : np::DisplayKind::TrueColor, options.Width,
                    options.Height);
    np::SetTickCount(kStartTick);
    np::SetCalendarMilliseconds(options.CalendarMs);
    const uint32_t start = GetTickCount(), end = start + options.Seconds * 1000;
    // Written to a file of its own beside the output, made before anything is
    // played (an output that cannot be written is refused at once): a failed
    // recording leaves no half picture, and whatever had the name before stays
    // until the new one is whole.
    PendingFile file;
    if (!BeginPendingFile(file, options.Path, problem)) return false;
    Output out;
    if (!BeginOutput(out, options, file)) {
        problem = Problem(out);
        AbandonPendingFile(file);
        return false;
    }
    const uint64_t last_frame = (uint64_t)options.Seconds * (uint64_t)out.FramesPerSecond;
    bool already_running = false;
    HWND window = StartFullScreen(nullptr, ScreenSaverProc, options.Settings, already_running);
    if (!window) {
        EndOutput(out, 0, false);
        AbandonPendingFile(file);
        problem = "the saver could not start";
        return false;
    }
    // The display as it stands (COLORREF values), kept up to date at each change.
    std::vector<uint32_t> picture((size_t)options.Width * options.Height, 0);
    bool changed_since_frame = true;
    Progress progress;
    std::string stopped;
    uint32_t last_tick = start, last_change = UINT32_MAX;
    int messages_at_tick = 0, exit_code = 0;
    bool ok = true;
    while (ok && DispatchNextMessage(&window, 1, exit_code)) {
        if (StopSignal()) {
            stopped = std::string("stopped by a signal (") + strsignal(StopSignal()) + "); nothing is written";
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
            // The frames before this change show the picture as it stood.
            ok = WriteFramesBefore(out, now - start, last_frame, picture, changed_since_frame);
            for (int y = changed.top; y < changed.bottom; y++)
                np::ScreenRowColors(y, 0, options.Width, picture.data() + (size_t)y * options.Width);
            changed_since_frame = true;
            if (now == last_change) np::AdvanceClock(kShortestChange);
            last_change = now;
        } else if (messages_at_tick >= kMessagesPerTick) {
            np::AdvanceClock(1);
        }
        if (options.ShowProgress) ShowProgress(progress, now - start, end - start, FramesWritten(out), false);
    }
    if (IsWindow(window)) DestroyWindow(window);
    DiscardQueuedMessages();
    if (ok) ok = WriteFramesBefore(out, end - start + 1, last_frame, picture, changed_since_frame);
    ok = EndOutput(out, options.Seconds, ok) && ok;
    if (options.ShowProgress) ShowProgress(progress, end - start, end - start, FramesWritten(out), true);
    problem = !stopped.empty() ? stopped : Problem(out);
    if (ok) return FinishPendingFile(file, problem);
    AbandonPendingFile(file);
    return false;
}
