#include "clock.h"

#include "platform/win32.h"

uint32_t SecondsToMilliseconds(int64_t seconds) {
    const int64_t longest = 0x7FFFFFFF;  // the longest timer the platform accepts
    if (seconds <= 0) return 0;
    return seconds >= longest / 1000 ? (uint32_t)longest : (uint32_t)(seconds * 1000);
}

uint32_t PacingTime() { return timeGetTime(); }

uint32_t CalendarSeconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t ticks = ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;  // 100 ns since 1601
    return (uint32_t)((ticks - 116444736000000000ull) / 10000000ull);
}
