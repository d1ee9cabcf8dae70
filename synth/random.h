// The per-thread random source: each thread has its own 32-bit state, 1 when
// the thread starts. Every draw yields 0 ... 32767.
#ifndef VELMORA_RANDOM_H
#define VELMORA_RANDOM_H

#include <cstdint>

extern thread_local uint32_t RandomState;

inline void SeedRandom(uint32_t seed) { RandomState = seed; }

inline int32_t DrawRandom() {
    RandomState = RandomState * 214013u + 2531011u;
    return (int32_t)((RandomState >> 16) & 0x7FFF);
}

#endif
