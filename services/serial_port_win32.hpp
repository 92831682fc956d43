#pragma once
// What the Windows idle wait needs from an open port beyond serial_port.hpp.
#include <windows.h>

// An event that turns signalled when a byte reaches the port open under
// `number`; nullptr when it cannot be watched (not a device, or bytes are
// already waiting). Call PortReceiveEventSeen once it was found signalled.
HANDLE PortReceiveEvent(int number);
void PortReceiveEventSeen(int number);
