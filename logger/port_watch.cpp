#include "logger/port_watch.hpp"

#include <utility>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/port_commands.hpp"
#include "services/console/console.hpp"
#include "services/idle/idle_wait.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"

namespace {

constexpr int64_t kRetryMicros = 1000000;
// Where keys cannot be watched the wait is sliced like an idle pass.
constexpr int kKeySliceMs = 25;

PortOpener& Opener() {
  static PortOpener opener;
  return opener;
}

int OpenPort(int number, std::string_view port_string) {
  PortOpener& opener = Opener();
  return opener ? opener(number, port_string) : OpenSerial(number, port_string);
}

}  // namespace

void SetPortOpener(PortOpener opener) {
  Opener() = std::move(opener);
}

void PortWatch::Lose(std::string& line) {
  // Whatever arrived before the loss is a record of its own, so nothing
  // received is lost and nothing is glued to what comes after.
  if (!line.empty()) Settings.ExitCode = PROCESSDATA(line);
  // Closed at once: a held handle of a pulled adapter would keep its device
  // name, so the adapter would come back under another one.
  ClosePort(kPortFileNumber);
  DropCommands();
  lost_ = true;
  next_try_micros_ = CurrentClock().MonotonicMicros() + kRetryMicros;
  PrintLine("***Error*** lost com port, reopening it every second: " + Settings.PortStr);
}

void PortWatch::Retry() {
  Clock& clock = CurrentClock();
  int64_t left = next_try_micros_ - clock.MonotonicMicros();
  if (left > 0) {
    KeyWait(kKeySliceMs, static_cast<int>((left + 999) / 1000));
    return;
  }
  next_try_micros_ = clock.MonotonicMicros() + kRetryMicros;
  if (OpenPort(kPortFileNumber, Settings.PortStr) != 0) return;
  lost_ = false;
  PrintLine("Com port reopened: " + Settings.PortStr);
}
