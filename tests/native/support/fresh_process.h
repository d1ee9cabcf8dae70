// Every test starts from the state that a new process has: one reset for all
// of it, so that no fixture can set what the program itself never sets.
#ifndef VELMORA_TEST_FRESH_PROCESS_H
#define VELMORA_TEST_FRESH_PROCESS_H

#include "platform/native/test_hooks.h"

// The platform's areas with a display of this kind and size, as at process
// start; every saver of an earlier test has gone with its window. Savers keep
// nothing else: each new window makes a record of its own.
void StartFreshProcess(native_platform::DisplayKind kind = native_platform::DisplayKind::TrueColor, int width = 640,
                       int height = 480);

#endif
