// Times the saver reads: seconds from the settings as timer milliseconds, and
// the calendar time that seeds each picture.
#ifndef VELMORA_CLOCK_H
#define VELMORA_CLOCK_H

#include <cstdint>

// Milliseconds for a number of seconds, clamped to what a timer accepts.
uint32_t SecondsToMilliseconds(int64_t seconds);

// Whole seconds since 1970 from the system clock.
uint32_t CalendarSeconds();

#endif
