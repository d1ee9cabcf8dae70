#include "saver_state.h"

SaverStateRecord SaverState;
std::atomic<bool> AbortRequested{false};
std::atomic<bool> StopWorker{false};
