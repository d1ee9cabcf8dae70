#include "stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile sig_atomic_t stop_signal = 0;

void NoteStop(int number) {
    if (!stop_signal) stop_signal = number;
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

int StopSignal() { return stop_signal; }
