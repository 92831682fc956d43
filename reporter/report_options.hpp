#pragma once
// brenreport's command line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reporter/figures.hpp"

enum class ReportFormat { kJson, kCsv, kText, kHtml, kPdf };

struct ReportOutput {
  std::string name;  // "" for the text form on standard output
  ReportFormat format = ReportFormat::kText;
};

struct ReportOptions {
  std::string source;
  std::string from_text, to_text;  // as given
  std::optional<int64_t> from, to;  // local seconds; `to` excluded
  std::string high_text, low_text;
  std::optional<double> high, low;
  int64_t stale_s = 600;
  Unit unit = Unit::kCelsius;
  double activation_energy_kj = 83.144;
  std::string alarm_log;
  std::string title;
  std::vector<ReportOutput> outputs;  // never empty after a scan
  std::string verify;
  bool help = false;
  bool version = false;
};

extern const char kReportUsage[];

// False with a message in `error` for anything that is not a valid command
// line.
bool ScanReportOptions(const std::vector<std::string>& args, ReportOptions& options,
                       std::string& error);
