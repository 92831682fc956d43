#include "reporter/report_pass.hpp"

#include "logreader/log_record.hpp"
#include "logreader/record_lines.hpp"
#include "services/digest/sha256.hpp"
#include "services/files/files.hpp"
#include "watcher/log_reading.hpp"
#include "watcher/log_source.hpp"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The four digits before the extension of a log's base name, as a numbered
// FILESTR leaves them.
bool NumberedLog(const std::string& name, std::string& prefix, std::string& suffix) {
  size_t slash = name.find_last_of("/\\");
  size_t base = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = name.find_last_of('.');
  size_t end = dot == std::string::npos || dot < base ? name.size() : dot;
  if (end < base + 4) return false;
  for (size_t i = end - 4; i < end; ++i) {
    if (!IsDigit(name[i])) return false;
  }
  if (end > base + 4 && IsDigit(name[end - 5])) return false;
  prefix = name.substr(0, end - 4);
  suffix = name.substr(end);
  return true;
}

}  // namespace

bool SourceLogs(const std::string& source, std::vector<std::string>& logs, std::string& error) {
  LogSource found;
  if (!ReadLogSource(source, found, error)) return false;
  if (found.from_ini && !found.stamped) {
    error = source + " has the logger write no date and time (APNDTIME): a report needs the "
            "time of each reading";
    return false;
  }
  if (!found.from_ini && NumberedLog(source, found.prefix, found.suffix)) found.numbered = true;
  logs.clear();
  for (const ExistingLog& log : ExistingLogs(found)) logs.push_back(log.name);
  if (logs.empty()) {
    error = "no log of " + source + " exists (" + found.file + ")";
    return false;
  }
  return true;
}

StatisticsRules RulesFor(const ReportOptions& o,
                         int (*zone_rules)(int64_t local_seconds, int64_t utc[2])) {
  return StatisticsRules{o.high, o.low, o.stale_s, o.unit, o.activation_energy_kj,
                         o.from,  o.to,  zone_rules};
}

ReportPass::ReportPass(ReportData& data)
    : data_(data), statistics_(data.rules, *this), zone_(data.rules.zone_rules) {
  if (data.rules.from && data.rules.to) chart_.Begin(*data.rules.from, *data.rules.to - *data.rules.from);
}

void ReportPass::Day(const DayFigures& day) {
  data_.days.push_back(day);
}

void ReportPass::Excursion(const ::Excursion& excursion) {
  if (!data_.excursions.Add(excursion)) spool_failed_ = true;
}

void ReportPass::Gap(const ::Gap& gap) {
  gap_pending_ = true;
  if (!data_.gaps.Add(gap)) spool_failed_ = true;
}

bool ReportPass::ReadLog(const std::string& name, std::string& error) {
  RecordLines lines;
  if (!lines.Open(name)) {
    error = "cannot read " + name;
    return false;
  }
  LogFileFacts facts;
  facts.name = name;
  Sha256 digest;
  lines.Observe([&](const char* bytes, size_t size) {
    digest.Add(bytes, size);
    facts.bytes += size;
  });
  std::string_view line;
  const StatisticsRules& rules = data_.rules;
  while (lines.Next(line)) {
    Record record = ReadRecord(line);
    if (record.kind != RecordKind::kReading) continue;
    if (!record.stamped) {
      error = name + " holds readings without date and time: a report needs the time of each "
              "reading";
      return false;
    }
    ++facts.records;
    if (!facts.first_time) facts.first_time = record.seconds;
    facts.last_time = record.seconds;
    int64_t utc[2];
    int count = zone_.Convert(record.seconds, utc);
    Reading reading;
    reading.local = record.seconds;
    reading.utc = PickOccurrence(count, utc, record.seconds, last_local_, second_occurrence_);
    if ((rules.from && reading.local < *rules.from) || (rules.to && reading.local >= *rules.to)) {
      continue;
    }
    reading.value = record.value;
    reading.text = NumberText(record.text);
    gap_pending_ = false;
    statistics_.Take(reading);
    chart_.Take(reading.local, reading.value, gap_pending_);
  }
  if (lines.failed()) {
    error = "cannot read " + name + " to its end";
    return false;
  }
  if (spool_failed_) {
    error = "no room for a temporary file to keep the excursions and gaps";
    return false;
  }
  facts.sha256 = digest.Hex();
  data_.files.push_back(facts);
  return true;
}

void ReportPass::Finish() {
  statistics_.Finish();
  data_.period = statistics_.period();
  data_.chart = chart_.Filled();
  data_.chart_width = chart_.width();
}
