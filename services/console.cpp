#include "services/console.hpp"

#include <cstdint>
#include <string>

#include "services/clock.hpp"

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

std::string KeyString(int code) {
  if (code > 0xFF) return std::string{'\xFF', static_cast<char>(code >> 8)};
  return std::string(1, static_cast<char>(code));
}

}  // namespace

void SetConsoleDevice(ConsoleDevice* device) {
  installed = device;
  keys = KeyBuffer{};
  collected_before = false;
}

ConsoleDevice& CurrentConsole() {
  return installed ? *installed : ProcessConsole();
}

void PrintLine(std::string_view text) {
  // One write, so a line is never split by another writer's output.
  static std::string line;
  line.assign(text);
  line.append("\r\n");
  CurrentConsole().Write(line);
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
