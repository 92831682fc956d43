#pragma once
// Runs a report's pass over crafted logs written into a temporary folder.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "reporter/report_data.hpp"
#include "reporter/report_pass.hpp"

// Every local time stands for the same UTC second.
inline int SameAsUtc(int64_t local_seconds, int64_t utc[2]) {
  utc[0] = local_seconds;
  return 1;
}

// Rules from a command line (without SOURCE), the zone given.
inline std::unique_ptr<ReportData> PassOver(const std::vector<std::string>& logs,
                                            std::vector<std::string> args,
                                            int (*zone)(int64_t, int64_t[2]) = SameAsUtc) {
  auto data = std::make_unique<ReportData>();
  args.push_back("unused-source");
  std::string error;
  if (!ScanReportOptions(args, data->options, error)) throw std::runtime_error(error);
  data->rules = RulesFor(data->options, zone);
  ReportPass pass(*data);
  for (const std::string& log : logs) {
    if (!pass.ReadLog(log, error)) throw std::runtime_error(error);
  }
  pass.Finish();
  return data;
}

template <class T>
std::vector<T> Listed(const Spool<T>& spool) {
  std::vector<T> all;
  spool.ForEach([&](const T& item) { all.push_back(item); });
  return all;
}
