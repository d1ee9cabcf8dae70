#include "saver_state.h"

SaverStateRecord SaverState;
std::atomic<bool> AbortRequested{false};

void ResetSaverState() {
    SaverState = SaverStateRecord{};
    SaverState.SkipFirstPaint = true;
    AbortRequested = false;
}
