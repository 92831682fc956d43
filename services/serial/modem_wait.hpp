#pragma once
// Waiting for the modem input lines (carrier detect, DSR) of a serial port.
// The status comes through a callback and the time through the clock seam,
// so the wait is the same on every platform and tests can fake both.
#include <cstdint>
#include <functional>

#include "services/time/clock.hpp"

constexpr uint32_t kModemCarrierDetect = 0x80;
constexpr uint32_t kModemDataSetReady = 0x20;

// Fills the line bits above; false when the status cannot be read.
using ModemStatusReader = std::function<bool(uint32_t& lines)>;

// True once `line` is on, within `limit_ms`; false when it stays off or the
// status cannot be read. Sleeps 1 ms between polls.
bool WaitForModemLine(const ModemStatusReader& read_status, uint32_t line, uint32_t limit_ms,
                      Clock& clock);

// Carrier detect for `cd_ms`, then DSR for `dsr_ms`; a duration of 0 skips
// its line without reading anything.
bool WaitForModemLines(const ModemStatusReader& read_status, uint32_t cd_ms, uint32_t dsr_ms,
                       Clock& clock);
