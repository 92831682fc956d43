#pragma once
// What the Windows idle wait needs from an open port beyond serial_port.hpp,
// and the bounded overlapped transfers the port is built on.
#include <windows.h>

// An event that turns signalled when a byte reaches the port open under
// `number`; nullptr when it cannot be watched (not a device, or bytes are
// already waiting). Call PortReceiveEventSeen once it was found signalled.
HANDLE PortReceiveEvent(int number);
void PortReceiveEventSeen(int number);

// A driver that ignores a cancel (some USB-serial ones never end a pending
// WaitCommEvent) must not hold the program either: this long at most.
constexpr DWORD kCancelWaitMs = 500;

// Waits at most `limit_ms` for an overlapped transfer to end, and cancels one
// that has not; false when it did not end well. `abandoned` is set when not
// even the cancel ended it: its OVERLAPPED and event must then never be freed.
bool FinishTransfer(HANDLE port, OVERLAPPED& overlapped, DWORD limit_ms, DWORD& moved,
                    bool& abandoned);
// A read or write on a handle opened for overlapped I/O, waiting for its end
// at most `limit_ms`.
bool Transfer(HANDLE port, bool read, void* buffer, DWORD count, DWORD& moved, DWORD limit_ms);
