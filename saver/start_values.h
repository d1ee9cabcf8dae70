// The saver's process-wide records back at the values a new process gives
// them: the one list of them. A saver window is made once per process on
// Windows; a host that makes a second one in the same process (the Linux
// program, when its window takes a new size) first brings every record back
// to its start, and the tests start every case from it.
#ifndef VELMORA_START_VALUES_H
#define VELMORA_START_VALUES_H

// Ends a running worker first: it would otherwise write into what is reset.
// The settings are read again when the next window is made; a named settings
// file and a command line's settings are forgotten, so a program hands them
// to the store again (settings.h).
void ReturnToStartValues();

#endif
