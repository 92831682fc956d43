#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "watcher/screen.hpp"

namespace {

struct Extremes {
  double low = 1e300, high = -1e300;
  int used = 0;
};

Extremes ExtremesOf(const ChartWindow& chart) {
  Extremes found;
  for (int position = 0; position < chart.BucketCount(); ++position) {
    ChartWindow::Bucket bucket = chart.At(position);
    if (!bucket.used) continue;
    found.low = std::min(found.low, bucket.low);
    found.high = std::max(found.high, bucket.high);
    ++found.used;
  }
  return found;
}

// Ten readings a second for three hours: the bucket count stays fixed, and
// the spike of the first hour has left the window while the last hour's dip
// is still in it.
TEST(ChartWindow, KeepsOnlyTheWindowInFixedMemory) {
  ChartWindow chart(3600);
  const int64_t start = 1'796'000'000;
  for (int64_t tenth = 0; tenth < 3 * 36000; ++tenth) {
    double value = 5.0;
    if (tenth == 1000) value = 99.0;
    if (tenth == 3 * 36000 - 500) value = -30.0;
    chart.Add(start + tenth / 10, value);
  }
  EXPECT_LE(chart.BucketCount(), ChartWindow::kMaxBuckets);
  EXPECT_EQ(chart.BucketCount() * chart.BucketSeconds(), 3600);
  Extremes found = ExtremesOf(chart);
  EXPECT_EQ(found.high, 5.0);
  EXPECT_EQ(found.low, -30.0);
  EXPECT_EQ(found.used, chart.BucketCount());
  EXPECT_LE(chart.WindowStart(), chart.LatestSeconds() - 3600 + chart.BucketSeconds());
}

TEST(ChartWindow, ReadingsOutOfOrder) {
  struct Case {
    const char* name;
    int64_t second_at;  // seconds after the first reading at 100000
    double low, high;   // what the window holds afterwards
    int64_t latest;
  };
  const Case cases[] = {
      {"same second", 0, 1, 2, 100000},
      {"a second back joins its bucket", -1, 1, 2, 100000},
      {"far back starts afresh", -7200, 2, 2, 100000 - 7200},
      {"a day ahead leaves the old window", 86400, 2, 2, 100000 + 86400},
  };
  for (const Case& c : cases) {
    ChartWindow chart(3600);
    chart.Add(100000, 1);
    chart.Add(100000 + c.second_at, 2);
    Extremes found = ExtremesOf(chart);
    EXPECT_EQ(found.low, c.low) << c.name;
    EXPECT_EQ(found.high, c.high) << c.name;
    EXPECT_EQ(chart.LatestSeconds(), c.latest) << c.name;
  }
}

TEST(ChartWindow, OddWindowsAndValuesStaySafe) {
  for (int64_t window : {int64_t{-5}, int64_t{0}, int64_t{1}, int64_t{7}, int64_t{1} << 62}) {
    ChartWindow chart(window);
    EXPECT_GE(chart.BucketCount(), 1) << window;
    EXPECT_LE(chart.BucketCount(), ChartWindow::kMaxBuckets) << window;
    chart.Add(std::numeric_limits<int64_t>::max(), 1);
    chart.Add(std::numeric_limits<int64_t>::min(), 1);
    chart.Add(50, std::nan(""));
    chart.Add(50, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(chart.Empty()) << window;
    chart.Add(-50, 3);
    EXPECT_EQ(ExtremesOf(chart).high, 3) << window;
  }
}

}  // namespace
