#pragma once
// The line settings a port string asks for, as the members of a Windows DCB.
#include <windows.h>

#include "services/serial/port_spec.hpp"

// Sets the members the port string decides in `dcb` (as read from the
// device); every other member keeps the device's value.
void ApplyLineSettings(const PortOptions& options, DCB& dcb);

// The time-outs for `options`, from the device's own.
void ApplyTimeouts(const PortOptions& options, COMMTIMEOUTS& timeouts);

// The queue size to ask for: the requested one, else the device's current
// one, else its maximum, else 16384.
DWORD QueueSize(DWORD requested, DWORD current, DWORD maximum);

// The device a port number opens: "COMn", "\\.\COMn" from 10 on, "COM1:"
// for port 0.
std::string ComDevicePath(uint32_t port_number);
