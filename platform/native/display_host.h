// What a program that shows the native platform's display uses: the kind and
// size of the display, what changed on it, the colours it shows, the user's
// input, and the clock. The Linux program's presenter and recorder use this;
// the saver never does.
#ifndef VELMORA_NATIVE_DISPLAY_HOST_H
#define VELMORA_NATIVE_DISPLAY_HOST_H

#include "../win32.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace native_platform {

enum class DisplayKind { Palette256, Colors16, TrueColor, NoColors, HugePalette };

// A new, black display of this kind and size (one monitor), refreshing
// refresh_hz times a second (0 or 1: the hardware's default, as VREFRESH says it).
// The windows drawn on the old one keep their places.
void OpenDisplay(DisplayKind kind, int width, int height, int refresh_hz = 60);
// A new, black display of several monitors, each a rectangle in screen
// coordinates. The first is the primary monitor, whose top-left corner is
// (0, 0) as on Windows; the others may lie left of or above it. The display
// is their bounding box, the virtual screen, parts of which no monitor shows.
// An area beside the virtual screen (empty: none) belongs to the display
// too: windows placed there draw into it, though no monitor shows it and the
// system's metrics leave it out, for a program that shows it elsewhere.
void OpenMonitors(DisplayKind kind, const std::vector<RECT>& monitors, int refresh_hz = 60,
                  RECT beside = RECT{0, 0, 0, 0});
// The display's pixels are counted from its top-left corner, which is at
// DisplayOrigin() in screen coordinates (negative left of or above the primary).
int DisplayWidth();
int DisplayHeight();
POINT DisplayOrigin();

// The colour a display pixel shows now, as a COLORREF (0x00BBGGRR).
COLORREF ScreenPixel(int x, int y);
// The colours of display row y, columns x0 to x1 (exclusive), as 0x00RRGGBB.
void ScreenRowRgb(int y, int x0, int x1, uint32_t* out);
// The same as COLORREF values (0x00BBGGRR), as a true-colour display holds
// them: a plain copy there.
void ScreenRowColors(int y, int x0, int x1, COLORREF* out);
// The same opaque, 0xFFBBGGRR: in memory red, green, blue and alpha, as a
// canvas takes its pixels.
void ScreenRowRgba(int y, int x0, int x1, uint32_t* out);
// The smallest rectangle of display pixels holding every pixel whose colour
// changed since the last call (empty when none did); the record starts over.
RECT TakeChangedArea();

// Input as the system would deliver it: the cursor's position in screen coordinates, and a
// message in the input queue of the calling thread.
void SetCursorPosition(int x, int y);
void QueueInput(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
bool CursorHidden();  // the last SetCursor asked for no cursor
// Message boxes are recorded for tests; a program has them written here too (null: not).
void ShowMessageBoxesOn(FILE* stream);

// The host's path for a Win32 path given to the layer (backslashes become slashes).
std::string HostPath(const char* path);

// Where a waiting thread's input comes from when the clock is real.
struct InputSource {
    // Waits up to this many milliseconds (INFINITE: no limit) for input,
    // queuing what comes; may return sooner, once something was queued.
    std::function<void(DWORD milliseconds)> Wait;
    // Queues what has come, without waiting (called while work goes on).
    std::function<void()> Poll;
};

// From now on GetTickCount, Sleep and the calendar follow the system's clocks,
// and a thread that waits for messages waits on the source. Without this call
// the clock is a test clock: it stands still until something waits for a due
// time, then jumps there.
void UseRealTime(InputSource source);

// The test clock's tick count.
void SetTickCount(uint32_t milliseconds);
void AdvanceClock(uint32_t milliseconds);
// The calendar reads this (milliseconds since 1970) now on the test clock, and
// runs on from it. On the system's clocks (UseRealTime) it reads this at its
// next reading and runs on from there: the time set before a window is made is
// what the window reads, however long the making takes.
void SetCalendarMilliseconds(uint64_t since_1970);

}  // namespace native_platform

#endif
