// Times the saver reads: seconds from the settings as timer milliseconds, and
// the calendar time that seeds each picture.
#ifndef VELMORA_CLOCK_H
#define VELMORA_CLOCK_H

#include <cstdint>

// Milliseconds for a number of seconds, clamped to what a timer accepts.
uint32_t SecondsToMilliseconds(int64_t seconds);

// Milliseconds of the clock animations are paced by: the multimedia timer's,
// which steps in 1 ms while the message loop holds a raised timer resolution
// (the tick count keeps the system timer's 10-16 ms steps whatever is asked).
uint32_t PacingTime();

// Whole seconds since 1970 from the system clock.
uint32_t CalendarSeconds();

#endif
