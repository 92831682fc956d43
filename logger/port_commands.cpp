#include "logger/port_commands.hpp"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>

#include "logger/exit_codes.hpp"
#include "logger/globals.hpp"
#include "services/serial/port_spec.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"

namespace {

struct Pending {
  std::string bytes;
  int64_t deadline_micros = 0;
  bool begun = false;  // part of it was taken
};

// The text and its line end wait apart: a text the device took only part of
// still gets its line end, so the next command is not glued to a fragment.
std::deque<Pending> pending;

int64_t BoundMicros() {
  PortOptions options;
  ParsePortSpec(Settings.PortStr, options);
  return int64_t{DeviceWaitBoundMs(options)} * 1000;
}

}  // namespace

void SendCommand(std::string_view text) {
  // Counted from the key: a device that stalls for a minute must not get a
  // minute of stale commands when it reads again.
  int64_t deadline = CurrentClock().MonotonicMicros() + BoundMicros();
  if (!text.empty()) pending.push_back(Pending{std::string(text), deadline});
  pending.push_back(Pending{"\r\n", deadline});
  PumpCommands();
}

void PumpCommands() {
  Clock& clock = CurrentClock();
  while (!pending.empty()) {
    Pending& front = pending.front();
    int64_t now = clock.MonotonicMicros();
    size_t taken = 0;
    int error = WritePortSome(kPortFileNumber, front.bytes.data(), front.bytes.size(), taken);
    front.bytes.erase(0, taken);
    if (taken > 0) front.begun = true;
    if (error == 0 && !front.bytes.empty() && now < front.deadline_micros) return;
    bool cut_short = front.begun && !front.bytes.empty();
    pending.pop_front();
    if (cut_short && !pending.empty() && pending.front().bytes == "\r\n") {
      pending.front().deadline_micros =
          std::max(pending.front().deadline_micros, now + BoundMicros());
    }
  }
}

bool CommandsWaiting() {
  return !pending.empty();
}

void DropCommands() {
  pending.clear();
}
