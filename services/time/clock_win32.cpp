#include <windows.h>

#include <ctime>

#include "services/time/clock.hpp"

namespace {

class Win32Clock final : public Clock {
 public:
  Win32Clock() {
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
      frequency_ = frequency.QuadPart;
    }
  }

  LocalTime Now() override {
    time_t now = time(nullptr);
    // Records arrive many times a second; convert once per second.
    if (now != cached_second_ || !cached_.valid) {
      tm parts;
      cached_ = LocalTime{};
      if (now != static_cast<time_t>(-1) && localtime_s(&parts, &now) == 0) {
        cached_ = LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                            parts.tm_min,         parts.tm_sec,     true};
      }
      cached_second_ = now;
    }
    return cached_;
  }

  // The performance counter; the millisecond tick count where there is none.
  int64_t MonotonicMicros() override {
    LARGE_INTEGER count;
    if (frequency_ == 0 || !QueryPerformanceCounter(&count)) {
      return static_cast<int64_t>(GetTickCount64()) * 1000;
    }
    int64_t seconds = count.QuadPart / frequency_;
    int64_t rest = count.QuadPart % frequency_;
    return seconds * 1000000 + rest * 1000000 / frequency_;
  }

  void SleepMs(int ms) override {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
  }

 private:
  int64_t frequency_ = 0;
  time_t cached_second_ = -1;
  LocalTime cached_;
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock clock;
  return clock;
}
