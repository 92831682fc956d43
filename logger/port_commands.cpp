#include "logger/port_commands.hpp"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>

#include "logger/exit_codes.hpp"
#include "logger/globals.hpp"
#include "services/clock.hpp"
#include "services/port_spec.hpp"
#include "services/serial_port.hpp"

namespace {

constexpr int64_t kShortestBoundMicros = 1000000;

struct Pending {
  std::string bytes;
  int64_t deadline_micros = 0;  // 0 until its write begins
};

// The text and its line end wait apart: a text the device did not take
// still gets its line end, so the next command is not glued to a fragment.
std::deque<Pending> pending;

int64_t BoundMicros() {
  PortOptions options;
  int64_t cs_micros = 0;
  if (ParsePortSpec(Settings.PortStr, options) == 0) cs_micros = int64_t{options.CtsMs} * 1000;
  return std::max(kShortestBoundMicros, cs_micros);
}

}  // namespace

void SendCommand(std::string_view text) {
  if (!text.empty()) pending.push_back(Pending{std::string(text), 0});
  pending.push_back(Pending{"\r\n", 0});
  PumpCommands();
}

void PumpCommands() {
  Clock& clock = CurrentClock();
  while (!pending.empty()) {
    Pending& front = pending.front();
    int64_t now = clock.MonotonicMicros();
    if (front.deadline_micros == 0) front.deadline_micros = now + BoundMicros();
    size_t taken = 0;
    int error = WritePortSome(kPortFileNumber, front.bytes.data(), front.bytes.size(), taken);
    front.bytes.erase(0, taken);
    if (error != 0 || front.bytes.empty() || now >= front.deadline_micros) {
      pending.pop_front();
      continue;
    }
    return;
  }
}

bool CommandsWaiting() {
  return !pending.empty();
}

void DropCommands() {
  pending.clear();
}
