#pragma once
// Requests that arrive on a thread of the system's own (Ctrl+C, a closing
// console window) are answered by the program's own loop, which ends the run
// itself: a thread held at a random point may own a lock the ending needs.
#include <windows.h>

// Signalled when a request waits; the loop's idle wait watches it.
HANDLE LoopWakeEvent();
// Asks the loop to end the run with `number` as the interrupt would; false
// when the program has no loop that answers (then the caller ends it).
bool AskLoopToEnd(int number);
// Set by a control handler as it begins. While one runs the system holds
// the handlers' lock, so removing a handler then would never return.
void NoteControlEvent();
bool ControlEventSeen();
