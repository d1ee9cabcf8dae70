#include "random.h"

namespace {
thread_local uint32_t state = 1;
}

void SeedRandom(uint32_t seed) { state = seed; }

int32_t DrawRandom() {
    state = NextRandomState(state);
    return RandomValueOf(state);
}

uint32_t RandomState() { return state; }
void SetRandomState(uint32_t value) { state = value; }
