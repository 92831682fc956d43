#pragma once
// What the Windows idle wait needs from an open port beyond serial_port.hpp.
#include <windows.h>

// An event that turns signalled when a byte reaches the port open under
// `number`; nullptr when it cannot be watched (not a device, or bytes are
// already waiting). Call PortReceiveEventSeen once it was found signalled.
HANDLE PortReceiveEvent(int number);
void PortReceiveEventSeen(int number);

// Waits at most `limit_ms` for an overlapped transfer to end, and cancels one
// that has not; false when it did not end well. `abandoned` is set when not
// even the cancel ended it: its OVERLAPPED and event must then never be freed.
bool FinishTransfer(HANDLE port, OVERLAPPED& overlapped, DWORD limit_ms, DWORD& moved,
                    bool& abandoned);
