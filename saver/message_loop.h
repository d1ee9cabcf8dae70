// The saver's message loop. Besides the messages that come, it delivers each
// saver's one paced message, posted when its due time comes; until then the
// thread sleeps, awake for input. Animations are thus paced by time, never by
// how fast the loop spins, and input, paint and timer messages are never starved.
#ifndef VELMORA_MESSAGE_LOOP_H
#define VELMORA_MESSAGE_LOOP_H

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

// Windows' system timer ticks every 15.6 ms unless a program asks for more;
// waits end, and the multimedia clock steps, only on those ticks. While a
// saver's animation is paced it holds a 1 ms resolution, and gives it back as
// soon as nothing of it is paced any more, and when the loop ends.
struct PacedMessageRecord {
    bool Pending = false;
    HWND Window = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    uint32_t Due = 0;  // PacingTime()
    bool ResolutionRaised = false;
};

// Windows counts the raises of the timer resolution per process: the count is
// a fact of the process, which gives them all back when it ends abnormally.
struct TimerResolutionRecord {
    int Raises = 0;
};
extern TimerResolutionRecord TimerResolution;

void GiveBackTimerResolution(PacedMessageRecord& paced);
void GiveBackEveryTimerResolution();

// Posts the message to the window when PacingTime() reaches due (at once when
// it has). A saver has one such message at a time: this replaces any other.
void PostMessageAt(PacedMessageRecord& paced, HWND window, UINT message, WPARAM wparam, LPARAM lparam, uint32_t due);
void CancelPacedMessage(PacedMessageRecord& paced);

// Retrieves and dispatches one message for the thread, waiting as long as
// needed; the savers are the windows whose paced messages the loop delivers
// (each record found afresh at every look: a window that goes takes its
// paced message with it). False at WM_QUIT (its code in exit_code) or when
// nothing can come any more.
bool DispatchNextMessage(const HWND savers[], size_t count, int& exit_code);

// Until WM_QUIT; the result is its code.
int RunMessageLoop(HWND saver);

// Removes whatever waits in the thread's queue, WM_QUIT included: for a host
// that goes on after its saver window is gone.
void DiscardQueuedMessages();

#endif
