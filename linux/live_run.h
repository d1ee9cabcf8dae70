// The saver shown live: in a window, on the whole screen, or inside another
// program's X window, on the real clock.
#ifndef VELMORA_LINUX_LIVE_RUN_H
#define VELMORA_LINUX_LIVE_RUN_H

#include "options.h"

// The exit code: the saver's, 1 when nothing could be shown.
int RunLive(const ProgramOptions& options);

#endif
