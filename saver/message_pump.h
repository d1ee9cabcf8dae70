// Lets the window's messages through while a long piece of work runs.
#ifndef VELMORA_MESSAGE_PUMP_H
#define VELMORA_MESSAGE_PUMP_H

struct SaverRecord;

// Dispatches waiting messages until one that must end the current piece of
// work (close, timer, destroy of the saver's window, or quit) stands at the
// head of the queue; that one stays for the outer loop and the saver's
// AbortRequested is set. Messages of other windows of the thread are theirs:
// they are dispatched, never a reason to stop; but those of another saver
// window wait until this work is done, while the saver's own still come
// through: one saver's handlers never run inside another's work, where its
// own pump would have stopped for its timer.
void PumpMessages(SaverRecord& saver);

#endif
