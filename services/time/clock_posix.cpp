#include <time.h>

#include <cerrno>

#include "services/time/clock.hpp"

namespace {

class PosixClock final : public Clock {
 public:
  LocalTime Now() override {
    time_t now = time(nullptr);
    // Records arrive many times a second; convert once per second.
    if (now != cached_second_ || !cached_.valid) {
      tm parts;
      cached_ = LocalTime{};
      if (localtime_r(&now, &parts)) {
        cached_ = LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                            parts.tm_min,         parts.tm_sec,     true};
      }
      cached_second_ = now;
    }
    return cached_;
  }

  int64_t MonotonicMicros() override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
  }

  void SleepMs(int ms) override {
    if (ms <= 0) return;
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }

 private:
  time_t cached_second_ = -1;
  LocalTime cached_;
};

}  // namespace

Clock& SystemClock() {
  static PosixClock clock;
  return clock;
}
