#include "stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile sig_atomic_t CaughtStopSignal = 0;

void NoteStop(int number) {
    if (!CaughtStopSignal) CaughtStopSignal = number;
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

int StopSignal() { return CaughtStopSignal; }
