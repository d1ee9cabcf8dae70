// An animated GIF of a display's colours over time, written as it plays. Each
// frame covers only what differs from the frame before, with a colour table
// of its own; its delay is the time until the next state, in hundredths of a
// second.
#ifndef VELMORA_LINUX_GIF_WRITER_H
#define VELMORA_LINUX_GIF_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

struct GifRecording {
    GifFileType* File = nullptr;
    int Width = 0, Height = 0;
    std::vector<uint32_t> Current;  // the colours now, COLORREF values (0x00BBGGRR) as the display holds them
    std::vector<uint32_t> Shown;    // what the frames written so far show
    bool Pending = false;           // the state since PendingFrom, not written yet
    uint32_t PendingFrom = 0;       // hundredths
    int Frames = 0;
    std::string Problem;            // the first failure; nothing more is written after it
    // Per possible colour: its entry in the frame being written, and whether it
    // has one (bits); made at the first frame, left clear between frames.
    std::vector<uint8_t> EntryOf;
    std::vector<uint64_t> Seen;
};

// A black picture from time 0, written to fd, which the recording closes from
// now on (also when this fails). False: recording.problem says why.
bool BeginGif(GifRecording& recording, int fd, int width, int height);

// From this hundredth of a second on (never earlier than the last call's), the
// picture is this one (width x height COLORREF values, 0x00BBGGRR, as the
// display holds them, row by row). The
// picture before it is written as a frame that lasts until then; a state that
// lasts no hundredth is never seen.
bool GifStateFrom(GifRecording& recording, uint32_t hundredths, const uint32_t* picture);

// The recording ends after this many hundredths; the file is complete and
// closed. False: why in problem.
bool EndGif(GifRecording& recording, uint32_t hundredths);

#endif
