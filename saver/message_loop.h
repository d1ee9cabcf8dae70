// The saver's message loop. Besides the messages that come, it delivers one
// paced message, posted when its due time comes; until then the thread sleeps,
// awake for input. Animations are thus paced by time, never by how fast the
// loop spins, and input, paint and timer messages are never starved.
#ifndef VELMORA_MESSAGE_LOOP_H
#define VELMORA_MESSAGE_LOOP_H

#include "platform/win32.h"

#include <cstdint>

struct PacedMessageRecord {
    bool Pending = false;
    HWND Window = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    uint32_t Due = 0;  // PacingTime()
};

extern PacedMessageRecord PacedMessage;

// Windows' system timer ticks every 15.6 ms unless a program asks for more;
// waits end, and the multimedia clock steps, only on those ticks. While an
// animation is paced the loop holds a 1 ms resolution, and gives it back as
// soon as nothing is paced any more, and when the loop or the process ends.
struct TimerResolutionRecord {
    bool Raised = false;
};

extern TimerResolutionRecord TimerResolution;

void GiveBackTimerResolution();

// Posts the message to the window when PacingTime() reaches due (at once
// when it has). There is one such message at a time: this replaces any other.
void PostMessageAt(HWND window, UINT message, WPARAM wparam, LPARAM lparam, uint32_t due);
void CancelPacedMessage();

// Retrieves and dispatches one message, waiting for it as long as needed.
// False at WM_QUIT (its code in exit_code) or when nothing can come any more.
bool DispatchNextMessage(int& exit_code);

// Until WM_QUIT; the result is its code.
int RunMessageLoop();

// Removes whatever waits in the thread's queue, WM_QUIT included: for a host
// that goes on after its saver window is gone.
void DiscardQueuedMessages();

#endif
