// An animated GIF of a display's colours over time, written as it plays. Each
// frame covers only what differs from the frame before, with a colour table
// of its own; its delay is the time until the next change, in hundredths of a
// second, counted from the start so that rounding never adds up.
#ifndef VELMORA_LINUX_GIF_WRITER_H
#define VELMORA_LINUX_GIF_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

struct GifRecording {
    GifFileType* file = nullptr;
    int width = 0, height = 0;
    std::vector<uint32_t> current;  // the colours now, 0x00RRGGBB
    std::vector<uint32_t> shown;    // what the frames written so far show
    bool pending = false;           // a state since pending_time not written yet
    uint32_t pending_time = 0;      // ms
    int frames = 0;
    std::string problem;            // the first failure; nothing more is written after it
    // Per possible colour: its entry in the frame being written, and whether it
    // has one (bits); made at the first frame, left clear between frames.
    std::vector<uint8_t> entry_of;
    std::vector<uint64_t> seen;
};

// A black picture from time 0. False: recording.problem says why.
bool BeginGif(GifRecording& recording, const std::string& path, int width, int height);

// The colours changed at time_ms (never earlier than the last call's): rows
// top to bottom - 1 of the picture are read again through row(y, out).
template <typename ReadRow>
bool ChangeGif(GifRecording& recording, uint32_t time_ms, int top, int bottom, ReadRow row);

// The recording ends at time_ms; the file is complete and closed. False: why in problem.
bool EndGif(GifRecording& recording, uint32_t time_ms);

// Writes what is pending when time_ms starts a new hundredth of a second.
bool FlushGifBefore(GifRecording& recording, uint32_t time_ms);

template <typename ReadRow>
bool ChangeGif(GifRecording& recording, uint32_t time_ms, int top, int bottom, ReadRow row) {
    if (!FlushGifBefore(recording, time_ms)) return false;
    for (int y = top; y < bottom; y++) row(y, recording.current.data() + (size_t)y * recording.width);
    return true;
}

#endif
