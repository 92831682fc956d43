#include "plotter/reduction.hpp"

#include <gtest/gtest.h>

namespace {

TEST(Reducer, KeepsSpikesAndStaysWithinTheColumns) {
  Reducer reducer(100);
  for (int i = 0; i < 1000000; ++i) reducer.Add(i * 2.0, i == 500001 ? 99.0 : 20.0 + (i % 7) * 0.1);
  std::vector<ChartPoint> points = reducer.Finish();
  EXPECT_LE(points.size(), 2u * 101u);
  double high = 0.0, low = 100.0;
  for (const ChartPoint& p : points) high = std::max(high, p.y), low = std::min(low, p.y);
  EXPECT_EQ(high, 99.0);
  EXPECT_EQ(low, 20.0);
  for (size_t i = 1; i < points.size(); ++i) EXPECT_LE(points[i - 1].x, points[i].x);
}

TEST(Reducer, BreaksAndClockStepsBackStartNewLines) {
  Reducer reducer(10);
  reducer.Add(100, 1);
  reducer.Add(200, 2);
  reducer.Break();
  reducer.Add(300, 3);
  reducer.Add(50, 4);  // clock set back: kept, in file order
  std::vector<ChartPoint> points = reducer.Finish();
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[3].y, 4);
  EXPECT_TRUE(points[0].starts_line);
  EXPECT_FALSE(points[1].starts_line);
  EXPECT_TRUE(points[2].starts_line);
  EXPECT_TRUE(points[3].starts_line);
}

// Fast devices log several readings under one stamp.
TEST(Reducer, ReadingsUnderOneStampKeepTheirOrder) {
  for (double second : {70.0, 10.0}) {
    Reducer reducer(10);
    reducer.Add(5, 50);
    reducer.Add(5, second);
    reducer.Add(6, 40);
    reducer.Add(6, 80);
    std::vector<ChartPoint> points = reducer.Finish();
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[1].y, second);
    EXPECT_EQ(points[3].y, 80);
  }
}

TEST(Reducer, ManyShortRunsStayWhole) {
  Reducer reducer(10);
  for (int run = 0; run < 1000; ++run) {
    reducer.Break();
    reducer.Add(run * 10.0, run);
  }
  EXPECT_EQ(reducer.Finish().size(), 1000u);
}

}  // namespace
