#include "random.h"

thread_local uint32_t RandomState = 1;
