#include "services/serial/modem_wait.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

class FakeClock final : public Clock {
 public:
  LocalTime Now() override { return {}; }
  int64_t MonotonicMicros() override { return micros; }
  void SleepMs(int ms) override { micros += int64_t{ms} * 1000; }
  int64_t micros = 5'000'250;  // not on a millisecond boundary
};

// A device whose lines come on at given times (ms after the start; -1 never)
// and whose status stops being readable at `lost_at_ms` (-1 never).
struct FakeDevice {
  FakeClock& clock;
  int64_t carrier_at_ms = -1;
  int64_t dsr_at_ms = -1;
  int64_t lost_at_ms = -1;
  int reads = 0;
  int64_t start = clock.micros;

  ModemStatusReader Reader() {
    return [this](uint32_t& lines) {
      ++reads;
      int64_t now_ms = (clock.micros - start) / 1000;
      if (lost_at_ms >= 0 && now_ms >= lost_at_ms) return false;
      lines = 0x01;  // an unrelated line that must not count
      if (carrier_at_ms >= 0 && now_ms >= carrier_at_ms) lines |= kModemCarrierDetect;
      if (dsr_at_ms >= 0 && now_ms >= dsr_at_ms) lines |= kModemDataSetReady;
      return true;
    };
  }
  int64_t ElapsedMs() const { return (clock.micros - start) / 1000; }
};

TEST(ModemWait, OneLineOnTimeLateOrLost) {
  struct Case {
    const char* name;
    int64_t dsr_at_ms, lost_at_ms;
    uint32_t limit_ms;
    bool ok;
    int64_t min_elapsed_ms, max_elapsed_ms;
  };
  const std::vector<Case> cases = {
      {"already on", 0, -1, 1000, true, 0, 0},
      {"on halfway", 500, -1, 1000, true, 500, 501},
      {"on at the limit", 1000, -1, 1000, true, 1000, 1001},
      {"never on", -1, -1, 1000, false, 1001, 1002},
      {"too late", 1500, -1, 1000, false, 1001, 1002},
      {"status lost while waiting", -1, 300, 1000, false, 300, 300},
      {"status never readable", 0, 0, 1000, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeClock clock;
    FakeDevice device{clock, -1, c.dsr_at_ms, c.lost_at_ms};
    EXPECT_EQ(WaitForModemLine(device.Reader(), kModemDataSetReady, c.limit_ms, clock), c.ok);
    EXPECT_GE(device.ElapsedMs(), c.min_elapsed_ms);
    EXPECT_LE(device.ElapsedMs(), c.max_elapsed_ms);
  }
}

TEST(ModemWait, CarrierThenDsr) {
  struct Case {
    const char* name;
    int64_t carrier_at_ms, dsr_at_ms;
    uint32_t cd_ms, dsr_ms;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"both on", 0, 0, 1000, 1000, true},
      {"dsr comes after carrier", 300, 1200, 1000, 1000, true},
      {"carrier missing", -1, 0, 1000, 1000, false},
      {"dsr missing", 0, -1, 1000, 1000, false},
      {"carrier not asked for", -1, 0, 0, 1000, true},
      {"dsr not asked for", 0, -1, 1000, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeClock clock;
    FakeDevice device{clock, c.carrier_at_ms, c.dsr_at_ms, -1};
    EXPECT_EQ(WaitForModemLines(device.Reader(), c.cd_ms, c.dsr_ms, clock), c.ok);
  }
}

TEST(ModemWait, NoDurationsReadNothing) {
  FakeClock clock;
  FakeDevice device{clock, -1, -1, 0};
  EXPECT_TRUE(WaitForModemLines(device.Reader(), 0, 0, clock));
  EXPECT_EQ(device.reads, 0);
}

TEST(ModemWait, FailedCarrierWaitSkipsDsr) {
  FakeClock clock;
  FakeDevice device{clock, -1, 0, -1};
  EXPECT_FALSE(WaitForModemLines(device.Reader(), 50, 1000, clock));
  EXPECT_LE(device.ElapsedMs(), 52);
}

}  // namespace
