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

namespace native_platform {

enum class DisplayKind { Palette256, Colors16, TrueColor, NoColors, HugePalette };

// A new, black display of this kind and size, refreshing refresh_hz times a
// second. The windows drawn on the old one keep their places.
void OpenDisplay(DisplayKind kind, int width, int height, int refresh_hz = 60);
int DisplayWidth();
int DisplayHeight();

// The colour a screen pixel shows now, as a COLORREF (0x00BBGGRR).
COLORREF ScreenPixel(int x, int y);
// The colours of row y, columns x0 to x1 (exclusive), as 0x00RRGGBB.
void ScreenRowRgb(int y, int x0, int x1, uint32_t* out);
// The smallest rectangle holding every pixel whose colour changed since the
// last call (empty when none did); the record starts over.
RECT TakeChangedArea();

// Input as the system would deliver it: the cursor's screen position, and a
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
    std::function<void(DWORD milliseconds)> wait;
    // Queues what has come, without waiting (called while work goes on).
    std::function<void()> poll;
};

// From now on GetTickCount, Sleep and the calendar follow the system's clocks,
// and a thread that waits for messages waits on the source. Without this call
// the clock is a test clock: it stands still until something waits for a due
// time, then jumps there.
void UseRealTime(InputSource source);

// The test clock: the tick count, and the calendar time when the tick count was 0.
void SetTickCount(uint32_t milliseconds);
void AdvanceClock(uint32_t milliseconds);
void SetCalendarMilliseconds(uint64_t since_1970);

}  // namespace native_platform

#endif
