// The system's zone rules through TZ, as the shipped points meet them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "logreader/log_record.hpp"
#include "services/time/local_zone.hpp"
#include "watcher/shipping/shipping_points.hpp"

namespace {

class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
  }
  void TearDown() override {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  bool had_ = false;
  std::string old_;
};

int64_t Local(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

TEST_F(ZoneTest, LocalStampsThroughTheZoneRules) {
  struct Case {
    const char* zone;
    int64_t local;
    std::vector<int64_t> utc;
  };
  const Case cases[] = {
      {"UTC", Local(2026, 12, 9, 6, 9, 45), {Local(2026, 12, 9, 6, 9, 45)}},
      {"Europe/Berlin", Local(2026, 12, 9, 6, 9, 45), {Local(2026, 12, 9, 5, 9, 45)}},
      {"Europe/Berlin", Local(2026, 7, 1, 12, 0, 0), {Local(2026, 7, 1, 10, 0, 0)}},
      {"Europe/Berlin",
       Local(2026, 10, 25, 2, 30, 0),
       {Local(2026, 10, 25, 0, 30, 0), Local(2026, 10, 25, 1, 30, 0)}},
      {"Europe/Berlin",
       Local(2026, 3, 29, 2, 30, 0),
       {Local(2026, 3, 29, 1, 30, 0)}},  // skipped hour
      {"America/New_York",
       Local(2026, 11, 1, 1, 15, 0),
       {Local(2026, 11, 1, 5, 15, 0), Local(2026, 11, 1, 6, 15, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + StampText(c.local));
    setenv("TZ", c.zone, 1);
    tzset();
    int64_t utc[2];
    int count = LocalToUtc(c.local, utc);
    EXPECT_EQ(std::vector<int64_t>(utc, utc + count), c.utc);
  }
}

TEST_F(ZoneTest, TheRepeatedHourAcrossTheHourCache) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  Stamper stamper(LocalToUtc);
  const int64_t stamps[] = {Local(2026, 10, 25, 1, 59, 59), Local(2026, 10, 25, 2, 0, 0),
                            Local(2026, 10, 25, 2, 59, 59), Local(2026, 10, 25, 2, 0, 0),
                            Local(2026, 10, 25, 3, 0, 0)};
  std::vector<int64_t> got;
  for (int64_t local : stamps) got.push_back(stamper.Stamped(local) / 1000);
  EXPECT_EQ(got,
            (std::vector<int64_t>{Local(2026, 10, 24, 23, 59, 59), Local(2026, 10, 25, 0, 0, 0),
                                  Local(2026, 10, 25, 0, 59, 59), Local(2026, 10, 25, 1, 0, 0),
                                  Local(2026, 10, 25, 2, 0, 0)}));
}

}  // namespace
