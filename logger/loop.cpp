// The main loop: one received byte and one look at the keyboard per pass.
#include <cstdint>
#include <string>

#include "logger/command_keys.hpp"
#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/port_commands.hpp"
#include "logger/port_watch.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/idle/idle_wait.hpp"
#include "services/serial/serial_port.hpp"
#include "services/text/text_forms.hpp"

namespace {

constexpr int kIdleSleepMs = 25;
// While the line is idle the wait ends on a byte or a key; this only bounds
// how long it lasts when nothing at all happens.
constexpr int kLongestIdleMs = 1000;
constexpr unsigned char kTab = 9;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kEndOfTransmissionByte = 4;

bool Kept(unsigned char byte) {
  return byte == kTab || (byte >= 32 && byte <= 126);
}

void Receive(std::string& line, PortWatch& watch) {
  if (watch.Lost()) {
    watch.Retry();
    return;
  }
  // A port that cannot report its status counts as idle, unless it hung up.
  if (AtEnd(kPortFileNumber) != 0) {
    // The echoes of a burst go out together once it has been read.
    WriteHeldLines();
    if (PortLost(kPortFileNumber)) {
      watch.Lose(line);
      return;
    }
    // A command the device has not taken yet is tried again every pass.
    IdleWait(kPortFileNumber, kIdleSleepMs, CommandsWaiting() ? kIdleSleepMs : kLongestIdleMs);
    return;
  }
  char byte = 0;
  size_t received = 0;
  int error = ReadPort(kPortFileNumber, &byte, 1, received);
  if ((error != 0 || received == 0) && PortLost(kPortFileNumber)) {
    watch.Lose(line);
    return;
  }
  if (error != 0) {
    PrintLine("***Fatal Error*** reading com port");
    PrintLine(Settings.PortStr);
    PrintLine("Error code was: " + IntText(error));
    Settings.ExitCode = kPortReadFailed;
    return;
  }
  if (received == 0) {
    // Nothing came after all: idle rather than reuse an old byte.
    Pause(kIdleSleepMs);
    return;
  }
  auto b = static_cast<unsigned char>(byte);
  if (Kept(b)) line += static_cast<char>(b);
  if ((b == kCarriageReturn || b == kLineFeed || b == kEndOfTransmissionByte) && !line.empty()) {
    Settings.ExitCode = PROCESSDATA(line);
  }
  // The end of transmission must not hide a record that failed to be written.
  if (b == kEndOfTransmissionByte && Settings.ExitCode == 0) {
    Settings.ExitCode = kEndOfTransmission;
  }
}

}  // namespace

int8_t COMMUNICATIONS() {
  RoutineScope scope("COMMUNICATIONS", kLoggerModule);
  // Keys typed during start-up were not meant as commands.
  while (!PollKey().empty()) {
  }
  std::string line;
  line.reserve(256);
  PortWatch watch;
  HoldLines(true);
  DropCommands();
  while (Settings.ExitCode == 0) {
    AnswerInterrupt();
    PumpCommands();
    Receive(line, watch);
    if (Settings.ExitCode != 0) break;
    int key = KeyCode(PollKey());
    // A key may wait a second for the next one: what was received is shown
    // first.
    if (key != 0) WriteHeldLines();
    HandleCommandKey(key);
  }
  HoldLines(false);
  DropCommands();
  return static_cast<int8_t>(Settings.ExitCode);
}
