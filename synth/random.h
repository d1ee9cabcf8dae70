// The per-thread random source: each thread has its own 32-bit state, 1 when
// the thread starts. Every draw yields 0 ... 32767.
#ifndef VELMORA_RANDOM_H
#define VELMORA_RANDOM_H

#include <cstdint>

void SeedRandom(uint32_t seed);
int32_t DrawRandom();

// The calling thread's state, for code that draws many values in a row and
// keeps the state in a local meanwhile.
uint32_t RandomState();
void SetRandomState(uint32_t state);

inline uint32_t NextRandomState(uint32_t state) { return state * 214013u + 2531011u; }
inline int32_t RandomValueOf(uint32_t state) { return (int32_t)((state >> 16) & 0x7FFF); }

#endif
