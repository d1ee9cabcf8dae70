// Lets the window's messages through while a long piece of work runs.
#ifndef VELMORA_MESSAGE_PUMP_H
#define VELMORA_MESSAGE_PUMP_H

// Dispatches waiting messages until one that must end the current piece of
// work (close, timer, destroy, quit) stands at the head of the queue; that one
// stays for the outer loop and AbortRequested is set.
void PumpMessages();

#endif
