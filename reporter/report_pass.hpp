#pragma once
// One pass over a report's logs: each reading's real time, the period's
// statistics, the chart's buckets and each file's facts and digest.
#include <string>
#include <vector>

#include "reporter/report_data.hpp"
#include "services/time/zone_hours.hpp"

// The statistics' rules a command line sets, with the zone rules given.
StatisticsRules RulesFor(const ReportOptions& options,
                         int (*zone_rules)(int64_t local_seconds, int64_t utc[2]));

class ReportPass : public StatisticsSink {
 public:
  // `data.rules` and `data.options` must be set.
  explicit ReportPass(ReportData& data);
  // False with a message naming the log when it cannot be read or holds a
  // reading without date and time.
  bool ReadLog(const std::string& name, std::string& error);
  void Finish();

  void Day(const DayFigures& day) override;
  void Excursion(const ::Excursion& excursion) override;
  void Gap(const ::Gap& gap) override;

 private:
  ReportData& data_;
  ChartBuckets chart_;
  PeriodStatistics statistics_;
  ZoneHours zone_;
  int64_t last_local_ = INT64_MIN;
  bool second_occurrence_ = false;
  bool gap_pending_ = false;
  bool spool_failed_ = false;
};

// The logs of a SOURCE, oldest first: an INI file's as brenwatch finds them,
// the whole run of a numbered log (four digits before the extension), or the
// file itself. False with a message when there is none, or when an INI file
// has its logs written without date and time.
bool SourceLogs(const std::string& source, std::vector<std::string>& logs, std::string& error);
