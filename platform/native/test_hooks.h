// What tests control and observe of the native platform: the display, the
// clock, input, message boxes, memory failures and leaks, optional system
// components. Product code never includes this.
#ifndef VELMORA_NATIVE_TEST_HOOKS_H
#define VELMORA_NATIVE_TEST_HOOKS_H

#include "display_host.h"

#include <functional>
#include <string>
#include <vector>

namespace native_platform {

// Destroys every window still alive (each gets its WM_DESTROY), then forgets
// every window, message, timer, block and record; a display of this kind and size.
void Reset(DisplayKind kind = DisplayKind::TrueColor, int width = 640, int height = 480);

// The test clock (display_host.h) is behind GetTickCount, Sleep and the
// calendar time; GetMessageA with nothing to retrieve moves it on to the next due timer.
// Each PeekMessageA moves the clock on by this much: work that takes time.
void SetPeekCost(uint32_t milliseconds);

// Windows' coarse clock: the system timer interrupts every 15.625 ms, unless
// a program has raised its resolution to 1 ms with timeBeginPeriod(1).
// GetTickCount reads the time of the last interrupt (always in 15.625 ms
// steps), timeGetTime too unless the resolution is raised, and a wait or a
// timer ends at the first interrupt at or after its due time, counted from
// the last interrupt. Off in a new process (the clock then has 1 ms steps).
void UseCoarseClock(bool on);
// The test clock's exact milliseconds, whatever the resolution.
uint32_t ExactTime();
struct TimerPeriodCalls {
    int Begins, Ends;  // successful timeBeginPeriod and timeEndPeriod calls
};
TimerPeriodCalls TimerPeriods();


struct MessageBoxRecord {
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
int Beeps();

// The records below of messages, message boxes and screen-saver state calls
// are kept only while a test asks for them: a program that runs all night
// keeps nothing. Off in a new process and after Reset.
void RecordMessages(bool on);

// Every message that reached a window procedure, in order.
const std::vector<MSG>& DeliveredMessages();
// Called at every EndPaint (null: nothing), to see the screen right after a
// paint that happens deep inside some other message's handling.
void ObservePaints(std::function<void(HWND window)> observer);

// Every message handed to DefWindowProcA, in order.
const std::vector<MSG>& DefaultHandledMessages();

// Allocation fails when the predicate says so (global: GlobalAlloc, else LocalAlloc).
void FailAllocations(std::function<bool(bool global, size_t bytes)> predicate);
void FailLocks(bool fail);
void FailPalettes(bool fail);  // CreatePalette answers null
void FailThreadStarts(bool fail);  // _beginthread answers -1
// Called with a memory block's contents just before it is released (null: nothing).
void ObserveReleases(std::function<void(const uint8_t* data, size_t bytes)> observer);
int LiveBlocks();
int BadReleases();  // releases of blocks already released or never made
int LiveEvents();

// How much the layer holds now: what must stay bounded however long a program runs.
struct RetainedRecords {
    size_t Delivered, DefaultHandled, MessageBoxes, RunningCalls;  // recorded for tests
    size_t Posted, Input, Timers;  // waiting in the calling thread's queue
    size_t Windows;                // made since the reset, alive or not
    size_t UpdateRectangles;      // in the largest update region
    size_t GdiObjects;
    int Blocks, Events;
};
RetainedRecords Retained();

void SetPlatformId(DWORD platform);
// A registry value "ScreenSaveUsePassword" and a "PASSWORD.CPL" with this verifier (null: none).
void SetPasswordProtection(DWORD use_password, BOOL (*verifier)(HWND));
std::vector<BOOL> ScreenSaverRunningCalls();

}  // namespace native_platform

#endif
