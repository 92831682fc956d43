#include "reporter/period_statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "reporter/report_test_support.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

struct DayWant {
  const char* day;
  int64_t readings;
  const char* minimum;  // as written, "" when no reading
  const char* minimum_time;
  const char* maximum;
  const char* maximum_time;
  double mean;
  int64_t above_high_s, below_low_s, missing_s;
};

struct ExcursionWant {
  const char* kind;
  const char* start;
  const char* end;
  int64_t duration_s;
  const char* peak;
  int64_t readings;
  bool ongoing;
};

struct GapWant {
  const char* from;
  const char* to;
  int64_t duration_s;
};

struct Case {
  const char* name;
  const char* log;
  std::vector<std::string> args;
  std::vector<DayWant> days;
  std::vector<ExcursionWant> excursions;
  std::vector<GapWant> gaps;
};

void Check(const Case& c, const ReportData& data) {
  SCOPED_TRACE(c.name);
  ASSERT_EQ(data.days.size(), c.days.size());
  Figures total;
  for (size_t i = 0; i < c.days.size(); ++i) {
    const DayWant& want = c.days[i];
    const Figures& f = data.days[i].figures;
    SCOPED_TRACE(want.day);
    EXPECT_EQ(DayText(data.days[i].day), want.day);
    EXPECT_EQ(f.readings, want.readings);
    if (want.readings > 0) {
      EXPECT_EQ(f.minimum_text.View(), want.minimum);
      EXPECT_EQ(LocalTimeText(f.minimum_time), want.minimum_time);
      EXPECT_EQ(f.maximum_text.View(), want.maximum);
      EXPECT_EQ(LocalTimeText(f.maximum_time), want.maximum_time);
      EXPECT_NEAR(f.Mean(), want.mean, 1e-12);
    }
    EXPECT_EQ(f.above_high_s, want.above_high_s);
    EXPECT_EQ(f.below_low_s, want.below_low_s);
    EXPECT_EQ(f.missing_s, want.missing_s);
    total.readings += f.readings;
    total.above_high_s += f.above_high_s;
    total.below_low_s += f.below_low_s;
    total.missing_s += f.missing_s;
  }
  // The period is the sum of its days.
  EXPECT_EQ(data.period.readings, total.readings);
  EXPECT_EQ(data.period.above_high_s, total.above_high_s);
  EXPECT_EQ(data.period.below_low_s, total.below_low_s);
  EXPECT_EQ(data.period.missing_s, total.missing_s);
  std::vector<Excursion> excursions = Listed(data.excursions);
  ASSERT_EQ(excursions.size(), c.excursions.size());
  for (size_t i = 0; i < excursions.size(); ++i) {
    const ExcursionWant& want = c.excursions[i];
    const Excursion& got = excursions[i];
    EXPECT_EQ(got.kind == ExcursionKind::kHigh ? "high" : "low", std::string(want.kind));
    EXPECT_EQ(LocalTimeText(got.start), want.start);
    EXPECT_EQ(LocalTimeText(got.end), want.end);
    EXPECT_EQ(got.duration_s, want.duration_s);
    EXPECT_EQ(got.peak_text.View(), want.peak);
    EXPECT_EQ(got.readings, want.readings);
    EXPECT_EQ(got.ongoing, want.ongoing);
  }
  std::vector<Gap> gaps = Listed(data.gaps);
  ASSERT_EQ(gaps.size(), c.gaps.size());
  for (size_t i = 0; i < gaps.size(); ++i) {
    EXPECT_EQ(LocalTimeText(gaps[i].from), c.gaps[i].from);
    EXPECT_EQ(LocalTimeText(gaps[i].to), c.gaps[i].to);
    EXPECT_EQ(gaps[i].duration_s, c.gaps[i].duration_s);
  }
}

// Figures worked out by hand from each crafted log.
const Case kCases[] = {
    {"a span across midnight is split between the days; a span of exactly --stale is no gap",
     "2026-11-01\t23:50:00\t5.0\n2026-11-01\t23:55:00\t9.0\n"
     "2026-11-02\t00:05:00\t9.5\n2026-11-02\t00:10:00\t5.0\n",
     {"--high", "8"},
     {{"2026-11-01", 2, "5.0", "2026-11-01T23:50:00", "9.0", "2026-11-01T23:55:00", 7.0, 300, 0,
       0},
      {"2026-11-02", 2, "5.0", "2026-11-02T00:10:00", "9.5", "2026-11-02T00:05:00", 7.25, 600, 0,
       0}},
     {{"high", "2026-11-01T23:55:00", "2026-11-02T00:10:00", 900, "9.5", 2, false}},
     {}},
    {"a gap inside an excursion counts for neither side and does not end it",
     "2026-11-01 10:00:00 9.0\r\n2026-11-01 10:05:00 9.2\r\n2026-11-01 10:30:00 9.1\r\n"
     "2026-11-01 10:35:00 5.0\r\n",
     {"--high", "8", "--stale", "10m"},
     {{"2026-11-01", 4, "5.0", "2026-11-01T10:35:00", "9.2", "2026-11-01T10:05:00", 8.075, 600,
       0, 1500}},
     {{"high", "2026-11-01T10:00:00", "2026-11-01T10:35:00", 2100, "9.2", 3, false}},
     {{"2026-11-01T10:05:00", "2026-11-01T10:30:00", 1500}}},
    {"a reading equal to a limit is within it; an excursion still going at the end",
     "2026-11-01,00:00:00,8\n2026-11-01,00:01:00,8.5\n2026-11-01,00:02:00,2\n"
     ";Offset:\t0\n2026-11-01,00:03:00,1.5\n2026-11-01,00:04:00,1.0\nExit Code: 51\n",
     {"--high", "8", "--low", "2"},
     {{"2026-11-01", 5, "1.0", "2026-11-01T00:04:00", "8.5", "2026-11-01T00:01:00", 4.2, 60, 60,
       0}},
     {{"high", "2026-11-01T00:01:00", "2026-11-01T00:02:00", 60, "8.5", 1, false},
      {"low", "2026-11-01T00:03:00", "2026-11-01T00:04:00", 60, "1.0", 2, true}},
     {}},
    {"--from is included, --to excluded; the last reading of the period is in force for nothing",
     "2026-11-01\t23:59:59\t1\n2026-11-02\t00:00:00\t9\n2026-11-02\t12:00:00\t1\n"
     "2026-11-03\t00:00:00\t9\n",
     {"--high", "8", "--low", "2", "--stale", "1d", "--from", "2026-11-02", "--to", "2026-11-03"},
     {{"2026-11-02", 2, "1", "2026-11-02T12:00:00", "9", "2026-11-02T00:00:00", 5.0, 43200, 0,
       0}},
     {{"high", "2026-11-02T00:00:00", "2026-11-02T12:00:00", 43200, "9", 1, false},
      {"low", "2026-11-02T12:00:00", "2026-11-02T12:00:00", 0, "1", 1, true}},
     {}},
    {"a clock set back: no span and no excursion lasts less than nothing",
     "2026-11-01 10:00:00 9\n2026-11-01 09:00:00 5\n",
     {"--high", "8"},
     {{"2026-11-01", 2, "5", "2026-11-01T09:00:00", "9", "2026-11-01T10:00:00", 7, 0, 0, 0}},
     {{"high", "2026-11-01T10:00:00", "2026-11-01T09:00:00", 0, "9", 1, false}},
     {}},
    {"days of the period without readings are listed; a gap counts in the day it begins",
     "2026-11-01\t23:00:00\t5\n2026-11-03\t01:00:00\t5\n",
     {"--from", "2026-10-31T12:00", "--to", "2026-11-04"},
     {{"2026-10-31", 0, "", "", "", "", 0, 0, 0, 0},
      {"2026-11-01", 1, "5", "2026-11-01T23:00:00", "5", "2026-11-01T23:00:00", 5, 0, 0, 93600},
      {"2026-11-02", 0, "", "", "", "", 0, 0, 0, 0},
      {"2026-11-03", 1, "5", "2026-11-03T01:00:00", "5", "2026-11-03T01:00:00", 5, 0, 0, 0}},
     {},
     {{"2026-11-01T23:00:00", "2026-11-03T01:00:00", 93600}}},
};

TEST(PeriodStatisticsTest, CraftedLogs) {
  TempDir dir;
  for (const Case& c : kCases) {
    std::string log = dir.Write("log.txt", c.log);
    Check(c, *PassOver({log}, c.args));
  }
}

// MKT = (Ea/R) / -ln(mean(exp(-(Ea/R)/T))), worked out apart from the code
// for 0 and 20 degrees Celsius; the same readings in F and K give the same
// temperature in their unit. One constant reading is its own MKT.
TEST(PeriodStatisticsTest, MeanKineticTemperatureInEachUnit) {
  struct MktCase {
    const char* unit;
    const char* first;
    const char* second;
    double want;
  } cases[] = {
      {"C", "0", "20", 14.816060083409582},
      {"F", "32", "68", 14.816060083409582 * 9 / 5 + 32},
      {"K", "273.15", "293.15", 14.816060083409582 + 273.15},
      {"C", "5", "5", 5.0},
  };
  TempDir dir;
  for (const MktCase& c : cases) {
    std::string log = dir.Write("log.txt", std::string("2026-11-01 10:00:00 ") + c.first +
                                               "\n2026-11-01 10:01:00 " + c.second + "\n");
    auto data = PassOver({log}, {"--unit", c.unit});
    EXPECT_NEAR(MeanKineticTemperature(data->period, data->rules), c.want, 1e-9) << c.unit;
  }
  std::string log = dir.Write("log.txt", "2026-11-01 10:00:00 0\n2026-11-01 10:01:00 20\n");
  auto lower = PassOver({log}, {"--activation-energy", "60"});
  // A lower activation energy weighs the warm reading less.
  EXPECT_LT(MeanKineticTemperature(lower->period, lower->rules), 14.816060083409582);
  EXPECT_GT(MeanKineticTemperature(lower->period, lower->rules), 10.0);
}

// A numbered log means its run: the files in the order they were written,
// a new run's lower number last.
TEST(PeriodStatisticsTest, NumberedSeriesWithANewRun) {
  TempDir dir;
  namespace fs = std::filesystem;
  auto now = fs::file_time_type::clock::now();
  std::string first = dir.Write("Therm0003.txt", "2026-11-01 10:00:00 9\n");
  std::string second = dir.Write("Therm0004.txt", "2026-11-01 10:05:00 9\nExit Code: 51\n");
  std::string newest = dir.Write("Therm0000.txt", "2026-11-01 10:20:00 5\n");
  dir.Write("Therm00042.txt", "2026-11-01 10:30:00 100\n");  // no file of the run
  fs::last_write_time(first, now - std::chrono::hours(3));
  fs::last_write_time(second, now - std::chrono::hours(2));
  fs::last_write_time(newest, now - std::chrono::hours(1));
  std::vector<std::string> logs;
  std::string error;
  ASSERT_TRUE(SourceLogs(second, logs, error)) << error;
  ASSERT_EQ(logs.size(), 3u);
  EXPECT_EQ(fs::path(logs[0]).filename(), "Therm0003.txt");
  EXPECT_EQ(fs::path(logs[1]).filename(), "Therm0004.txt");
  EXPECT_EQ(fs::path(logs[2]).filename(), "Therm0000.txt");
  auto data = PassOver(logs, {"--high", "8"});
  EXPECT_EQ(data->period.readings, 3);
  EXPECT_EQ(data->period.above_high_s, 300);  // 10:05 to 10:20 is a gap
  EXPECT_EQ(data->period.missing_s, 900);
  ASSERT_EQ(data->files.size(), 3u);
  EXPECT_EQ(data->files[1].records, 1);
  EXPECT_EQ(data->files[1].bytes, 36u);
  std::vector<Excursion> excursions = Listed(data->excursions);
  ASSERT_EQ(excursions.size(), 1u);
  EXPECT_EQ(excursions[0].duration_s, 1200);
}

TEST(PeriodStatisticsTest, ReadingsWithoutStampsAreRefused) {
  TempDir dir;
  std::string log = dir.Write("log.txt", "2026-11-01 10:00:00 9\n7.5\n");
  EXPECT_THROW(PassOver({log}, {}), std::runtime_error);
}

}  // namespace
