#include "reporter/chart_buckets.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reporter/alarm_events.hpp"
#include "reporter/pdf_printer.hpp"
#include "reporter/spool.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

// However long the period, the buckets stay as many; each keeps the lowest
// and highest reading of its stretch, so a one-reading spike survives every
// merge, and a gap still breaks the line.
TEST(ChartBucketsTest, BoundedAndKeepsExtremes) {
  ChartBuckets buckets(8);
  for (int64_t t = 0; t < 100000; ++t) {
    if (t >= 50000 && t < 70000) continue;  // a gap longer than a bucket
    double value = t == 77777 ? 50.0 : t == 12345 ? -50.0 : static_cast<double>(t % 10);
    buckets.Take(1000 + t, value, t == 70000);
  }
  std::vector<ChartBucket> filled = buckets.Filled();
  ASSERT_LE(filled.size(), 8u);
  ASSERT_GE(filled.size(), 4u);
  double lowest = 0, highest = 0;
  int gaps = 0;
  for (size_t i = 0; i < filled.size(); ++i) {
    if (i > 0 && !filled[i].gap_before) {
      EXPECT_EQ(filled[i].start - filled[i - 1].start, buckets.width());
    }
    lowest = std::min(lowest, filled[i].minimum);
    highest = std::max(highest, filled[i].maximum);
    gaps += filled[i].gap_before;
    EXPECT_LE(filled[i].start, 1000 + 99999);
  }
  EXPECT_EQ(filled.front().start, 1000);
  EXPECT_EQ(lowest, -50.0);
  EXPECT_EQ(highest, 50.0);
  EXPECT_EQ(gaps, 1);
  // With the period known beforehand the width fits it at once.
  ChartBuckets known(8);
  known.Begin(0, 800);
  known.Take(799, 1.0, false);
  EXPECT_EQ(known.width(), 128);
  EXPECT_EQ(known.Filled().front().start, 768);
}

// Past the records kept in memory the rest go through a temporary file and
// come back in the order added.
TEST(SpoolTest, ManyRecordsComeBackInOrder) {
  Spool<int64_t> spool;
  for (int64_t i = 0; i < 10000; ++i) ASSERT_TRUE(spool.Add(i * 3));
  int64_t expected = 0;
  EXPECT_TRUE(spool.ForEach([&](int64_t value) {
    EXPECT_EQ(value, expected * 3);
    ++expected;
  }));
  EXPECT_EQ(expected, 10000);
  // A second pass reads the same, and adding goes on after it.
  spool.Add(-1);
  int64_t count = 0, last = 0;
  spool.ForEach([&](int64_t value) { ++count, last = value; });
  EXPECT_EQ(count, 10001);
  EXPECT_EQ(last, -1);
}

// Only event lines within the period count; other lines are passed over.
TEST(AlarmEventsTest, EventsOfThePeriod) {
  TempDir dir;
  dir.Write("alarms.txt",
            "2026-10-31T23:59:59,raise,high,8.5,8\r\n"
            "2026-11-01T00:00:00,raise,high,8.5,8\r\n"
            ",raise,high,8.5,8\r\n"
            "2026-11-01T06:00:00,raise,stale,,600\r\n"
            "brenwatch: cannot write the alarm log\r\n"
            "2026-11-01T07:00:00,bogus,high,8.5,8\r\n"
            "2026-11-02T00:00:00,clear,high,7.0,8\r\n");
  Spool<AlarmEvent> events;
  std::string error;
  ASSERT_TRUE(ReadAlarmLog(dir.Path("alarms.txt"), 1793491200, 1793577600, events, error));
  std::vector<std::string> seen;
  events.ForEach([&](const AlarmEvent& e) {
    seen.push_back(std::string(e.time.View()) + " " + std::string(e.kind.View()) + " " +
                   std::string(e.value.View()) + " " + std::string(e.limit.View()));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"2026-11-01T00:00:00 high 8.5 8",
                                            "2026-11-01T06:00:00 stale  600"}));
  EXPECT_FALSE(ReadAlarmLog(dir.Path("none.txt"), {}, {}, events, error));
}

TEST(PdfPrinterTest, FileUrlEscapes) {
  EXPECT_EQ(FileUrl("/tmp/a b/r#1%.html"), "file:///tmp/a%20b/r%231%25.html");
}

}  // namespace
