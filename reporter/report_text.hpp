#pragma once
// Text pieces every format shares: the output in blocks, figures with two
// decimals, durations, units, and the rows of a day.
#include <cstdint>
#include <string>
#include <string_view>

#include "reporter/report_data.hpp"

// Text written out in large blocks to a C runtime descriptor.
class ReportText {
 public:
  explicit ReportText(int descriptor) : descriptor_(descriptor) {}
  ReportText(const ReportText&) = delete;
  ReportText& operator=(const ReportText&) = delete;
  void Put(std::string_view text);
  // Writes what is left; false when any write failed.
  bool Finish();

 private:
  int descriptor_;
  std::string buffer_;
  bool failed_ = false;
};

// Two decimals.
std::string Decimal2(double value);
// Hours, minutes and seconds: 26:03:04.
std::string DurationText(int64_t seconds);
// " °C", " °F", " K".
std::string UnitSuffix(Unit unit);
// The figures' MKT text with two decimals, "" without readings.
std::string MktText(const Figures& figures, const StatisticsRules& rules);
// The period as given, or as the readings span it.
std::string PeriodText(const ReportData& data);
// The limits and the gap rule in words.
std::string LimitsText(const ReportData& data);
