#include "services/console.hpp"

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>

#include "services/clock.hpp"
#include "services/runtime_error.hpp"

namespace {

ConsoleDevice* installed = nullptr;
KeyBuffer keys;
// The logger polls once per loop pass, which can be a million times a
// second; nobody types faster than once a millisecond.
constexpr int64_t kCollectIntervalMicros = 1000;
bool collected_before = false;
int64_t last_collect_micros = 0;
constexpr int kPauseSliceMs = 50;

void Collect(ConsoleDevice& console) {
  last_collect_micros = CurrentClock().MonotonicMicros();
  collected_before = true;
  if (!console.KeysExhausted()) console.CollectKeys(keys);
}

// Held lines live in a fixed buffer whose size is set only after the bytes
// are in place, so a signal handler can write them out at any moment.
constexpr size_t kHeldCapacity = 64 * 1024;
char held[kHeldCapacity];
volatile sig_atomic_t held_size = 0;
bool held_cleanup_registered = false;
bool holding = false;

void WriteHeldForExit() {
  WriteHeldLines();
}

std::string KeyString(int code) {
  if (code > 0xFF) return std::string{'\xFF', static_cast<char>(code >> 8)};
  return std::string(1, static_cast<char>(code));
}

}  // namespace

void SetConsoleDevice(ConsoleDevice* device) {
  WriteHeldLines();
  installed = device;
  keys = KeyBuffer{};
  collected_before = false;
}

ConsoleDevice& CurrentConsole() {
  return installed ? *installed : ProcessConsole();
}

void PrintLine(std::string_view text) {
  WriteHeldLines();
  // One write, so a line is never split by another writer's output.
  static std::string line;
  line.assign(text);
  line.append("\r\n");
  CurrentConsole().Write(line);
}

void HoldLines(bool on) {
  if (!on) WriteHeldLines();
  holding = on;
}

void HoldLine(std::string_view text) {
  if (!holding) {
    PrintLine(text);
    return;
  }
  if (!held_cleanup_registered) {
    held_cleanup_registered = true;
    RegisterExitCleanup(WriteHeldForExit);
  }
  size_t size = static_cast<size_t>(held_size);
  if (size + text.size() + 2 > kHeldCapacity) {
    WriteHeldLines();
    size = 0;
    if (text.size() + 2 > kHeldCapacity) {
      PrintLine(text);
      return;
    }
  }
  std::memcpy(held + size, text.data(), text.size());
  std::memcpy(held + size + text.size(), "\r\n", 2);
  held_size = static_cast<sig_atomic_t>(size + text.size() + 2);
}

void WriteHeldLines() {
  size_t size = static_cast<size_t>(held_size);
  if (size == 0) return;
  CurrentConsole().Write(std::string_view(held, size));
  held_size = 0;
}

std::string PollKey() {
  ConsoleDevice& console = CurrentConsole();
  if (!console.KeysExhausted() &&
      (!collected_before ||
       CurrentClock().MonotonicMicros() - last_collect_micros >= kCollectIntervalMicros)) {
    Collect(console);
  }
  int code = 0;
  if (!keys.Pop(code)) return {};
  return KeyString(code);
}

void ExpectKey() {
  collected_before = false;
}

bool KeysBuffered() {
  return !keys.Empty();
}

int KeyCode(std::string_view key) {
  return key.empty() ? 0 : static_cast<unsigned char>(key.front());
}

void Pause(int ms) {
  Clock& clock = CurrentClock();
  ConsoleDevice& console = CurrentConsole();
  if (ms == -1) {
    for (;;) {
      Collect(console);
      if (keys.hit) {
        keys.hit = false;
        return;
      }
      // Nothing can arrive any more: waiting would hang an unattended run.
      if (console.KeysExhausted()) return;
      clock.SleepMs(kPauseSliceMs);
    }
  }
  if (ms < 0) return;
  if (ms >= 100) {
    while (ms > kPauseSliceMs) {
      Collect(console);
      if (keys.hit) {
        keys.hit = false;
        return;
      }
      clock.SleepMs(kPauseSliceMs);
      ms -= kPauseSliceMs;
    }
  }
  clock.SleepMs(ms);
}
