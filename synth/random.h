// The random source of the generator's rules: a 32-bit state, 1 when it
// starts (as a thread's does); seeding sets it; every draw yields 0 ... 32767.
// Each saver has its own for its window's thread, and its worker one of its
// own, so no saver's draws disturb another's.
#ifndef VELMORA_RANDOM_H
#define VELMORA_RANDOM_H

#include <cstdint>

struct RandomSource {
    uint32_t State = 1;
};

inline void SeedRandom(RandomSource& random, uint32_t seed) { random.State = seed; }

inline uint32_t NextRandomState(uint32_t state) { return state * 214013u + 2531011u; }
inline int32_t RandomValueOf(uint32_t state) { return (int32_t)((state >> 16) & 0x7FFF); }

inline int32_t DrawRandom(RandomSource& random) {
    random.State = NextRandomState(random.State);
    return RandomValueOf(random.State);
}

#endif
