#include "reporter/table_writers.hpp"

#include <cstdio>
#include <string>
#include <vector>

const char kCsvHeader[] =
    "day,readings,minimum,minimum_time,maximum,maximum_time,mean,mkt,above_high_s,below_low_s,"
    "missing_s\n";

namespace {

// The figures of a day as the CSV row and the text table show them: readings
// as written, computed figures with two decimals.
std::vector<std::string> FigureCells(const Figures& f, const StatisticsRules& rules) {
  bool any = f.readings > 0;
  return {std::to_string(f.readings),
          any ? std::string(f.minimum_text.View()) : "",
          any ? LocalTimeText(f.minimum_time) : "",
          any ? std::string(f.maximum_text.View()) : "",
          any ? LocalTimeText(f.maximum_time) : "",
          any ? Decimal2(f.Mean()) : "",
          MktText(f, rules),
          std::to_string(f.above_high_s),
          std::to_string(f.below_low_s),
          std::to_string(f.missing_s)};
}

// Cells padded to their column's width, the first left-aligned.
class Columns {
 public:
  explicit Columns(bool all_left = false) : all_left_(all_left) {}
  void Row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  void Put(ReportText& out) const {
    std::vector<size_t> width;
    for (const auto& row : rows_) {
      if (width.size() < row.size()) width.resize(row.size(), 0);
      for (size_t i = 0; i < row.size(); ++i) {
        if (row[i].size() > width[i]) width[i] = row[i].size();
      }
    }
    for (const auto& row : rows_) {
      std::string line = " ";
      for (size_t i = 0; i < row.size(); ++i) {
        std::string pad(width[i] - row[i].size(), ' ');
        line += ' ';
        line += i == 0 || all_left_ ? row[i] + pad : pad + row[i];
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out.Put(line + "\n");
    }
  }

 private:
  std::vector<std::vector<std::string>> rows_;
  bool all_left_;
};

}  // namespace

void WriteCsv(const ReportData& data, ReportText& out) {
  out.Put(kCsvHeader);
  for (const DayFigures& day : data.days) {
    std::string row = DayText(day.day);
    for (const std::string& cell : FigureCells(day.figures, data.rules)) row += "," + cell;
    out.Put(row + "\n");
  }
}

void WriteText(const ReportData& data, ReportText& out) {
  const ReportOptions& o = data.options;
  std::string unit = UnitSuffix(o.unit);
  const Figures& p = data.period;
  if (!o.title.empty()) out.Put(o.title + "\n\n");
  out.Put("Source:  " + o.source + "\n");
  out.Put("Period:  " + PeriodText(data) + "\n");
  out.Put("Limits:  " + LimitsText(data) + "\n\n");
  out.Put("Summary\n");
  Columns summary(true);
  summary.Row({"Readings", std::to_string(p.readings)});
  if (p.readings > 0) {
    summary.Row({"Minimum", std::string(p.minimum_text.View()) + unit + " at " +
                                LocalTimeText(p.minimum_time)});
    summary.Row({"Maximum", std::string(p.maximum_text.View()) + unit + " at " +
                                LocalTimeText(p.maximum_time)});
    summary.Row({"Mean", Decimal2(p.Mean()) + unit});
    char energy[64];
    std::snprintf(energy, sizeof energy, "%g", o.activation_energy_kj);
    summary.Row({"MKT", MktText(p, data.rules) + unit + " (activation energy " + energy +
                            " kJ/mol)"});
  }
  summary.Row({"Above high", DurationText(p.above_high_s)});
  summary.Row({"Below low", DurationText(p.below_low_s)});
  summary.Row({"Missing", DurationText(p.missing_s)});
  summary.Row({"Excursions", std::to_string(data.excursions.size())});
  summary.Row({"Gaps", std::to_string(data.gaps.size())});
  summary.Put(out);

  out.Put("\nDays (seconds above, below, missing)\n");
  Columns days;
  days.Row({"day", "readings", "minimum", "at", "maximum", "at", "mean", "mkt", "above", "below",
            "missing"});
  for (const DayFigures& day : data.days) {
    std::vector<std::string> row{DayText(day.day)};
    std::vector<std::string> cells = FigureCells(day.figures, data.rules);
    for (size_t i = 0; i < cells.size(); ++i) {
      // Times within the day: the clock time is enough.
      row.push_back((i == 2 || i == 4) && !cells[i].empty() ? cells[i].substr(11) : cells[i]);
    }
    days.Row(row);
  }
  days.Put(out);

  out.Put("\nExcursions\n");
  Columns excursions;
  excursions.Row({"kind", "start", "end", "duration", "peak", "readings"});
  data.excursions.ForEach([&](const Excursion& e) {
    excursions.Row({e.kind == ExcursionKind::kHigh ? "high" : "low", LocalTimeText(e.start),
                    LocalTimeText(e.end) + (e.ongoing ? " (ongoing)" : ""),
                    DurationText(e.duration_s), std::string(e.peak_text.View()),
                    std::to_string(e.readings)});
  });
  if (data.excursions.size() == 0) excursions.Row({"none"});
  excursions.Put(out);

  out.Put("\nGaps\n");
  Columns gaps;
  gaps.Row({"from", "to", "duration"});
  data.gaps.ForEach([&](const Gap& g) {
    gaps.Row({LocalTimeText(g.from), LocalTimeText(g.to), DurationText(g.duration_s)});
  });
  if (data.gaps.size() == 0) gaps.Row({"none"});
  gaps.Put(out);

  if (!o.alarm_log.empty()) {
    out.Put("\nEvents (" + o.alarm_log + ")\n");
    Columns events;
    events.Row({"time", "event", "kind", "value", "limit"});
    data.events.ForEach([&](const AlarmEvent& e) {
      events.Row({std::string(e.time.View()), std::string(e.event.View()),
                  std::string(e.kind.View()), std::string(e.value.View()),
                  std::string(e.limit.View())});
    });
    if (data.events.size() == 0) events.Row({"none"});
    events.Put(out);
  }

  out.Put("\nFiles (check with: brenreport --verify REPORT.json)\n");
  Columns files(true);
  files.Row({"name", "bytes", "records", "sha256"});
  for (const LogFileFacts& f : data.files) {
    files.Row({f.name, std::to_string(f.bytes), std::to_string(f.records), f.sha256});
  }
  files.Put(out);
}
