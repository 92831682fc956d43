#include "reporter/report_text.hpp"

#include <cstdio>

#include "services/files/descriptor.hpp"

void ReportText::Put(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() >= (1 << 16)) {
    if (!WriteAllBytes(descriptor_, buffer_.data(), buffer_.size())) failed_ = true;
    buffer_.clear();
  }
}

bool ReportText::Finish() {
  if (!buffer_.empty() && !WriteAllBytes(descriptor_, buffer_.data(), buffer_.size())) {
    failed_ = true;
  }
  buffer_.clear();
  return !failed_;
}

std::string Decimal2(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  // No "-0.00".
  if (std::string(text) == "-0.00") return "0.00";
  return text;
}

std::string DurationText(int64_t seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::string UnitSuffix(Unit unit) {
  switch (unit) {
    case Unit::kFahrenheit:
      return " \xC2\xB0" "F";
    case Unit::kKelvin:
      return " K";
    default:
      return " \xC2\xB0" "C";
  }
}

std::string MktText(const Figures& figures, const StatisticsRules& rules) {
  return figures.readings > 0 ? Decimal2(MeanKineticTemperature(figures, rules)) : "";
}

std::string PeriodText(const ReportData& data) {
  const ReportOptions& o = data.options;
  std::string from = o.from ? LocalTimeText(*o.from)
                     : data.period.readings > 0 ? "the first reading"
                                                : "the start";
  std::string to = o.to ? LocalTimeText(*o.to) + " (excluded)"
                   : data.period.readings > 0 ? "the last reading"
                                              : "the end";
  return from + " to " + to;
}

std::string LimitsText(const ReportData& data) {
  const ReportOptions& o = data.options;
  std::string unit = UnitSuffix(o.unit);
  std::string text;
  if (o.high) text += "high " + o.high_text + unit;
  if (o.low) text += std::string(text.empty() ? "" : ", ") + "low " + o.low_text + unit;
  if (text.empty()) text = "none";
  return text + "; readings more than " + std::to_string(o.stale_s) + " s apart leave a gap";
}
