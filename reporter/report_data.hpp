#pragma once
// Everything a report says, gathered in one pass and handed to each writer.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reporter/alarm_events.hpp"
#include "reporter/chart_buckets.hpp"
#include "reporter/figures.hpp"
#include "reporter/period_statistics.hpp"
#include "reporter/report_options.hpp"
#include "reporter/spool.hpp"

struct LogFileFacts {
  std::string name;  // as found
  uint64_t bytes = 0;
  std::string sha256;
  int64_t records = 0;  // readings in the file, in the period or not
  std::optional<int64_t> first_time, last_time;  // local
};

struct ReportData {
  ReportOptions options;
  StatisticsRules rules;
  std::string version;
  std::string made;  // yyyy-mm-ddThh:mm:ss local
  Figures period;
  std::vector<DayFigures> days;
  Spool<Excursion> excursions;
  Spool<Gap> gaps;
  Spool<AlarmEvent> events;
  std::vector<LogFileFacts> files;
  std::vector<ChartBucket> chart;
  int64_t chart_width = 1;  // seconds per chart bucket
};

// yyyy-mm-ddThh:mm:ss, and yyyy-mm-dd, of local seconds.
std::string LocalTimeText(int64_t local);
std::string DayText(int64_t day);
