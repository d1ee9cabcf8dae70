// What the Linux program and the page share to show a saver live on the
// native platform's display: where input goes, how a wait is paced (looks
// for input every few milliseconds, never longer than a slice), and a close
// asked of the saver when the program must end. A backend (SDL and X, the
// page's canvas) says how it looks, sleeps and shows.
#ifndef VELMORA_LIVE_PRESENTER_H
#define VELMORA_LIVE_PRESENTER_H

#include "platform/native/display_host.h"
#include "platform/win32.h"

#include <cstdint>

struct LiveBackend {
    void* Context = nullptr;
    // One look: events handled (input queued through QueueLiveInput), the
    // display's changes taken, what is due shown.
    void (*Look)(void* context) = nullptr;
    // Sleeps until an event of its own comes or until the time (LiveNow) comes.
    void (*Sleep)(void* context, uint64_t until) = nullptr;
    // Work goes on without waits: the backend may give its host a turn (null: nothing).
    void (*Busy)(void* context, uint64_t now) = nullptr;
};

struct LivePresenterRecord {
    LiveBackend Backend;
    HWND InputTarget = nullptr;  // null: input goes to no window (another program's, the page's)
    HWND CloseTarget = nullptr;  // the saver window a close is asked of
    HWND StopAskedOf = nullptr;  // the saver window already asked to close for the program's end
    RECT Pending = {0, 0, 0, 0};  // changed and not yet shown
    uint64_t LastPoll = 0;
    bool InputQueued = false;
};

constexpr uint32_t kPollSpacing = 5;     // ms between two looks for input while work goes on
constexpr uint32_t kLongestSlice = 100;  // ms one sleep lasts at most

// Milliseconds of a steady clock.
uint64_t LiveNow();

// A new display is shown whole; input goes to input_target, a close to close_target.
void PresentSaver(LivePresenterRecord& presenter, HWND input_target, HWND close_target);

// The display's changes since the last look, added to what is pending.
void TakeDisplayChanges(LivePresenterRecord& presenter);

// Input as Windows would queue it (nothing without an input target); a wait ends for it.
void QueueLiveInput(LivePresenterRecord& presenter, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// Asks the saver window to close, as a closed window does.
void AskSaverToClose(LivePresenterRecord& presenter);

// When the program must end (a signal, its window gone, a failure), the
// saver closes: once per saver window, whenever it comes.
void FollowEndRequest(LivePresenterRecord& presenter, bool end_asked);

// The input source of the platform's waiting thread: waits paced in slices,
// polls spaced by kPollSpacing.
native_platform::InputSource LiveInput(LivePresenterRecord& presenter);

#endif
