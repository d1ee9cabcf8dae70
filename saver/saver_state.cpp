#include "saver_state.h"

SaverStateRecord SaverState;
StoppedWorkRecord StoppedWork;
std::atomic<bool> AbortRequested{false};
std::atomic<bool> StopWorker{false};

void NoteStopped(UINT message, WPARAM wparam, LPARAM lparam) {
    StoppedWork = {message, wparam, lparam};
}
