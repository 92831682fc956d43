#pragma once
// The clock seam: local time, a monotonic time and sleeping. Tests install a
// fake clock so time-driven routines run without waiting.
#include <cstdint>

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;  // 0..23
  int minute = 0;
  int second = 0;
  bool valid = false;  // false when the conversion to local time failed
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  virtual int64_t MonotonicMicros() = 0;
  virtual void SleepMs(int ms) = 0;
};

// The clock every routine uses: the system clock unless a test set another.
Clock& CurrentClock();
// nullptr restores the system clock.
void SetClock(Clock* clock);
Clock& SystemClock();
