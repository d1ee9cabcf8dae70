// What belongs to the whole layer rather than to one of its areas: the loud
// stop for a call it does not implement, and the reset of every area.
#include "state.h"
#include "test_hooks.h"  // what tests control and observe is implemented here too

#include <cstdio>
#include <cstdlib>

namespace native_platform {

[[noreturn]] void Unimplemented(const char* call, const char* what) {
    fprintf(stderr, "native platform: %s: %s is not implemented\n", call, what);
    fflush(stderr);
    abort();
}

void Reset(DisplayKind kind, int width, int height) {
    ResetUser();
    ResetDisplay(kind, width, height);
    ResetKernel();
}

}  // namespace native_platform
