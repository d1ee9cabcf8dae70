#include "saver_state.h"

SaverStateRecord SaverState;
std::atomic<bool> AbortRequested{false};
std::atomic<bool> StopWorker{false};

void NoteStopped(UINT message, WPARAM wparam, LPARAM lparam) {
    SaverState.StoppedMessage = message;
    SaverState.StoppedWParam = wparam;
    SaverState.StoppedLParam = lparam;
}
