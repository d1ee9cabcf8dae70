// The signals that ask the program to end (SIGTERM from XScreenSaver, SIGINT
// from a terminal, SIGHUP when the terminal goes) only note the request; the
// program ends at its next look, the way a user's close would end it.
#ifndef VELMORA_LINUX_STOP_SIGNALS_H
#define VELMORA_LINUX_STOP_SIGNALS_H

// From now on those signals set the request instead of ending the process.
void CatchStopSignals();

// The signal that asked the program to end; 0 while none has.
int StopSignal();

#endif
