#include "services/console/console.hpp"

#include <cstdint>
#include <cstring>
#include <string>

#include "services/exit/runtime_error.hpp"
#include "services/time/clock.hpp"

namespace {

ConsoleDevice* installed = nullptr;
KeyBuffer keys;
// The logger polls once per loop pass, which can be a million times a
// second; nobody types faster than once a millisecond.
constexpr int64_t kCollectIntervalMicros = 1000;
bool collected_before = false;
int64_t last_collect_micros = 0;
constexpr int kPauseSliceMs = 50;
// The ending's report drains the console's queued lines first.
[[maybe_unused]] const bool finishing_handed_down =
    (SetConsoleFinishing(FinishConsoleOutput), true);

void Collect(ConsoleDevice& console) {
  last_collect_micros = CurrentClock().MonotonicMicros();
  collected_before = true;
  if (!console.KeysExhausted()) console.CollectKeys(keys);
}

constexpr size_t kHeldCapacity = 64 * 1024;
char held[kHeldCapacity];
size_t held_size = 0;
bool holding = false;

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
  size_t size = held_size;
  if (size + text.size() + 2 > kHeldCapacity) {
    WriteHeldLines();
    size = 0;
    if (text.size() + 2 > kHeldCapacity) {
      std::string line(text);
      line.append("\r\n");
      CurrentConsole().WriteEcho(line);
      return;
    }
  }
  std::memcpy(held + size, text.data(), text.size());
  std::memcpy(held + size + text.size(), "\r\n", 2);
  held_size = size + text.size() + 2;
  if (!holding) WriteHeldLines();
}

void WriteHeldLines() {
  size_t size = held_size;
  if (size == 0) return;
  held_size = 0;
  CurrentConsole().WriteEcho(std::string_view(held, size));
}

void FinishConsoleOutput(int ms) {
  WriteHeldLines();
  CurrentConsole().Finish(ms);
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
      AnswerInterrupt();
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
      AnswerInterrupt();
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
