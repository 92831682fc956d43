#include "services/serial/modem_wait.hpp"

namespace {

int64_t WholeMillis(int64_t micros) {
  return micros / 1000;
}

}  // namespace

bool WaitForModemLine(const ModemStatusReader& read_status, uint32_t line, uint32_t limit_ms,
                      Clock& clock) {
  int64_t start = WholeMillis(clock.MonotonicMicros());
  uint32_t lines = 0;
  if (!read_status(lines)) return false;
  for (;;) {
    bool on = (lines & line) != 0;
    if (on) return true;
    if (WholeMillis(clock.MonotonicMicros()) - start > static_cast<int64_t>(limit_ms)) return false;
    clock.SleepMs(1);
    if (!read_status(lines)) return false;
  }
}

bool WaitForModemLines(const ModemStatusReader& read_status, uint32_t cd_ms, uint32_t dsr_ms,
                       Clock& clock) {
  if (cd_ms != 0 && !WaitForModemLine(read_status, kModemCarrierDetect, cd_ms, clock)) {
    return false;
  }
  if (dsr_ms != 0 && !WaitForModemLine(read_status, kModemDataSetReady, dsr_ms, clock)) {
    return false;
  }
  return true;
}
