#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <string>

#include "reporter/report_test_support.hpp"
#include "services/time/local_zone.hpp"
#include "tests/support/temp_dir.hpp"

// The night the clocks go back in Berlin is 25 hours long: a reading every
// half hour, the hour from 02:00 to 03:00 written twice.
TEST(AutumnHourTest, TheRepeatedHourCountsTwice) {
  const char* previous = getenv("TZ");
  std::string saved = previous ? previous : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  std::string log;
  auto add = [&log](const char* day, int hour, int minute, const char* value) {
    char line[64];
    std::snprintf(line, sizeof line, "%s\t%02d:%02d:00\t%s\n", day, hour, minute, value);
    log += line;
  };
  for (int hour = 0; hour < 24; ++hour) {
    for (int minute : {0, 30}) add("2026-10-25", hour, minute, "9");
    if (hour == 2) {
      for (int minute : {0, 30}) add("2026-10-25", hour, minute, "9");
    }
  }
  add("2026-10-26", 0, 0, "5");
  TempDir dir;
  auto data = PassOver({dir.Write("log.txt", log)}, {"--high", "8", "--stale", "45m"}, LocalToUtc);
  if (previous) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  ASSERT_EQ(data->days.size(), 2u);
  EXPECT_EQ(data->days[0].figures.readings, 50);
  EXPECT_EQ(data->days[0].figures.above_high_s, 25 * 3600);
  EXPECT_EQ(data->days[0].figures.missing_s, 0);
  std::vector<Excursion> excursions = Listed(data->excursions);
  ASSERT_EQ(excursions.size(), 1u);
  EXPECT_EQ(excursions[0].duration_s, 25 * 3600);
  EXPECT_EQ(LocalTimeText(excursions[0].end), "2026-10-26T00:00:00");
  EXPECT_TRUE(Listed(data->gaps).empty());
}
