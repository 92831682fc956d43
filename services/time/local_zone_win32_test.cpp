#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>

#include "services/time/local_zone.hpp"

namespace {

// Counted as if UTC, as LocalToUtc takes local times.
int64_t Seconds(int year, int month, int day, int hour, int minute) {
  std::tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  return _mkgmtime64(&fields);
}

}  // namespace

// TZ names a Windows zone; the C runtime would read it as a POSIX rule and
// put US transition dates on it, and apply this year's rules to every year.
TEST(LocalToUtc, AnEarlierYearByTheWindowsZoneTzNames) {
  SetEnvironmentVariableW(L"TZ", L"W. Europe Standard Time");
  struct Case {
    int64_t local;
    int count;
    int64_t first, second;
  } cases[] = {
      // The autumn hour of 2015 (the last Sunday of October): twice.
      {Seconds(2015, 10, 25, 2, 30), 2, Seconds(2015, 10, 25, 0, 30), Seconds(2015, 10, 25, 1, 30)},
      {Seconds(2015, 10, 25, 3, 30), 1, Seconds(2015, 10, 25, 2, 30), 0},
      // A week later in the US rules, not here.
      {Seconds(2015, 11, 1, 1, 30), 1, Seconds(2015, 11, 1, 0, 30), 0},
      {Seconds(2015, 7, 1, 12, 0), 1, Seconds(2015, 7, 1, 10, 0), 0},
      {Seconds(2015, 1, 1, 12, 0), 1, Seconds(2015, 1, 1, 11, 0), 0},
      // Skipped in spring: the offset before the change.
      {Seconds(2015, 3, 29, 2, 30), 1, Seconds(2015, 3, 29, 1, 30), 0},
  };
  for (const Case& c : cases) {
    int64_t utc[2] = {0, 0};
    int count = LocalToUtc(c.local, utc);
    ASSERT_EQ(count, c.count) << c.local;
    EXPECT_EQ(utc[0], c.first) << c.local;
    if (count == 2) {
      EXPECT_EQ(utc[1], c.second) << c.local;
    }
  }
}
