#pragma once
// The line settings a port string asks for, as Linux termios2 values.
#include "services/serial/port_spec.hpp"

struct termios2;

// Turns `settings` (as read from the device) into raw mode with the speed,
// framing and flow control of `options`. 0, or 1 when the device cannot be
// set that way (data bits other than 5 to 8, a speed of 0).
int ApplyLineSettings(const PortOptions& options, termios2& settings);
