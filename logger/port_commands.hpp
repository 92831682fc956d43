#pragma once
// Commands for the device wait here until it takes them, so a device that
// stops reading (flow control held, busy, a terminal nobody reads) cannot
// hold up the loop. What it has not taken within a second, or within the
// port's CS time when that is longer, is dropped: a failed write, which is
// not reported.
#include <string_view>

// Queues the text and then CR LF, and writes what the device takes now.
void SendCommand(std::string_view text);
// Writes what the device takes now; drops what is overdue. Once a pass.
void PumpCommands();
bool CommandsWaiting();
// The port is gone: nothing queued will reach it.
void DropCommands();
