#include "reporter/html_writer.hpp"

#include <cstdio>
#include <vector>

namespace {

const char kStyle[] = R"(
body { font: 10.5pt/1.35 "DejaVu Sans", "Segoe UI", Arial, sans-serif; color: #111; margin: 0; }
main { max-width: 190mm; margin: 0 auto; padding: 0 4mm; }
h1 { font-size: 17pt; margin: 2mm 0 3mm; }
h2 { font-size: 12.5pt; margin: 6mm 0 2mm; border-bottom: 1px solid #999; break-after: avoid; }
table { border-collapse: collapse; margin: 1mm 0 3mm; }
th, td { padding: 0.6mm 2.2mm; text-align: right; border-bottom: 1px solid #e2e2e2; }
th { background: #f0f0f0; font-weight: 600; }
th:first-child, td:first-child, table.facts td, table.files td { text-align: left; }
thead { display: table-header-group; }
tr, figure { break-inside: avoid; }
td:first-child { white-space: nowrap; }
table.days { font-size: 8.5pt; }
table.days th, table.days td { padding: 0.5mm 1.4mm; }
td.out { color: #b00020; font-weight: 600; }
code, td.hash { font-family: "DejaVu Sans Mono", Consolas, monospace; font-size: 8.5pt; }
td.hash { word-break: break-all; }
figure { margin: 2mm 0; }
figure svg { width: 100%; height: auto; }
p.note { color: #555; font-style: italic; }
table.page { width: 100%; margin: 0; }
table.page > thead td, table.page > tbody > tr > td { border: 0; padding: 0; text-align: left; }
div.running { font-size: 8pt; color: #555; border-bottom: 1px solid #bbb; padding: 1mm 4mm;
  margin-bottom: 2mm; }
@page { size: A4; margin: 12mm 12mm 14mm 12mm; }
@media print {
  body { font-size: 9.5pt; }
  main { max-width: none; padding: 0; }
  div.running { padding: 0 0 1mm; }
  h2 { break-after: avoid-page; }
}
)";

struct Cell {
  std::string text;
  bool out = false;  // beyond a limit: shown so
};

void Table(ReportText& out, const std::vector<std::string>& head,
           const std::vector<std::vector<Cell>>& rows, const char* css_class = nullptr) {
  out.Put(css_class ? std::string("<table class=\"") + css_class + "\">" : "<table>");
  if (!head.empty()) {
    out.Put("<thead><tr>");
    for (const std::string& h : head) out.Put("<th>" + HtmlEscaped(h) + "</th>");
    out.Put("</tr></thead>");
  }
  out.Put("<tbody>\n");
  for (const auto& row : rows) {
    out.Put("<tr>");
    for (const Cell& c : row) {
      out.Put(std::string(c.out ? "<td class=\"out\">" : "<td>") + HtmlEscaped(c.text) + "</td>");
    }
    out.Put("</tr>\n");
  }
  out.Put("</tbody></table>\n");
}

std::vector<Cell> DayRow(const std::string& day, const Figures& f, const ReportData& data) {
  bool any = f.readings > 0;
  const ReportOptions& o = data.options;
  return {{day},
          {std::to_string(f.readings)},
          {any ? std::string(f.minimum_text.View()) : "", any && o.low && f.minimum < *o.low},
          {any ? LocalTimeText(f.minimum_time).substr(11) : ""},
          {any ? std::string(f.maximum_text.View()) : "", any && o.high && f.maximum > *o.high},
          {any ? LocalTimeText(f.maximum_time).substr(11) : ""},
          {any ? Decimal2(f.Mean()) : ""},
          {MktText(f, data.rules)},
          {DurationText(f.above_high_s), f.above_high_s > 0},
          {DurationText(f.below_low_s), f.below_low_s > 0},
          {DurationText(f.missing_s), f.missing_s > 0}};
}

}  // namespace

std::string HtmlEscaped(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

void WriteHtml(const ReportData& data, const std::string& chart_svg,
               const std::string& no_chart_reason, ReportText& out) {
  const ReportOptions& o = data.options;
  const Figures& p = data.period;
  std::string unit = UnitSuffix(o.unit);
  std::string title = o.title.empty() ? "Temperature report: " + o.source : o.title;
  out.Put("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n");
  out.Put("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
          "style-src 'unsafe-inline'; img-src data:\">\n");
  out.Put("<title>" + HtmlEscaped(title) + "</title>\n<style>" + kStyle + "</style></head>\n");
  // The running header is a repeated table head: printed on every page.
  out.Put("<body><table class=\"page\"><thead><tr><td><div class=\"running\">" +
          HtmlEscaped(title + " \xE2\x80\x94 " + PeriodText(data)) +
          "</div></td></tr></thead><tbody><tr><td><main>\n");
  out.Put("<h1>" + HtmlEscaped(title) + "</h1>\n");
  Table(out, {},
        {{{"Source"}, {o.source}},
         {{"Period"}, {PeriodText(data)}},
         {{"Limits"}, {LimitsText(data)}},
         {{"Made"}, {data.made + " by brenreport " + data.version}}},
        "facts");

  out.Put("<h2>Summary</h2>\n");
  std::vector<std::vector<Cell>> summary{{{"Readings"}, {std::to_string(p.readings)}}};
  if (p.readings > 0) {
    char energy[64];
    std::snprintf(energy, sizeof energy, "%g", o.activation_energy_kj);
    summary.push_back({{"Minimum"},
                       {std::string(p.minimum_text.View()) + unit + " at " +
                            LocalTimeText(p.minimum_time),
                        o.low && p.minimum < *o.low}});
    summary.push_back({{"Maximum"},
                       {std::string(p.maximum_text.View()) + unit + " at " +
                            LocalTimeText(p.maximum_time),
                        o.high && p.maximum > *o.high}});
    summary.push_back({{"Mean"}, {Decimal2(p.Mean()) + unit}});
    summary.push_back({{"Mean kinetic temperature"},
                       {MktText(p, data.rules) + unit + " (activation energy " + energy +
                        " kJ/mol)"}});
  }
  summary.push_back({{"Time above high"}, {DurationText(p.above_high_s), p.above_high_s > 0}});
  summary.push_back({{"Time below low"}, {DurationText(p.below_low_s), p.below_low_s > 0}});
  summary.push_back({{"Time missing (gaps)"}, {DurationText(p.missing_s), p.missing_s > 0}});
  summary.push_back({{"Excursions"}, {std::to_string(data.excursions.size())}});
  summary.push_back({{"Gaps"}, {std::to_string(data.gaps.size())}});
  Table(out, {}, summary, "facts");

  out.Put("<h2>Chart</h2>\n");
  if (!chart_svg.empty()) {
    out.Put("<figure>" + chart_svg + "</figure>\n");
  } else {
    out.Put("<p class=\"note\">No chart: " + HtmlEscaped(no_chart_reason) + ".</p>\n");
  }

  out.Put("<h2>Days</h2>\n");
  std::vector<std::vector<Cell>> days;
  for (const DayFigures& day : data.days) days.push_back(DayRow(DayText(day.day), day.figures, data));
  Table(out,
        {"Day", "Readings", "Minimum", "at", "Maximum", "at", "Mean", "MKT", "Above high",
         "Below low", "Missing"},
        days, "days");

  out.Put("<h2>Excursions</h2>\n");
  std::vector<std::vector<Cell>> excursions;
  data.excursions.ForEach([&](const Excursion& e) {
    excursions.push_back({{e.kind == ExcursionKind::kHigh ? "high" : "low"},
                          {LocalTimeText(e.start)},
                          {LocalTimeText(e.end) + (e.ongoing ? " (ongoing)" : "")},
                          {DurationText(e.duration_s)},
                          {std::string(e.peak_text.View()) + unit, true},
                          {std::to_string(e.readings)}});
  });
  if (excursions.empty()) {
    out.Put("<p>None.</p>\n");
  } else {
    Table(out, {"Kind", "Start", "End", "Duration", "Peak", "Readings"}, excursions);
  }

  out.Put("<h2>Gaps</h2>\n");
  std::vector<std::vector<Cell>> gaps;
  data.gaps.ForEach([&](const Gap& g) {
    gaps.push_back({{LocalTimeText(g.from)}, {LocalTimeText(g.to)}, {DurationText(g.duration_s)}});
  });
  if (gaps.empty()) {
    out.Put("<p>None.</p>\n");
  } else {
    Table(out, {"From", "To", "Duration"}, gaps);
  }

  if (!o.alarm_log.empty()) {
    out.Put("<h2>Alarm events</h2>\n");
    std::vector<std::vector<Cell>> events;
    data.events.ForEach([&](const AlarmEvent& e) {
      events.push_back({{std::string(e.time.View())},
                        {std::string(e.event.View())},
                        {std::string(e.kind.View())},
                        {std::string(e.value.View())},
                        {std::string(e.limit.View())}});
    });
    if (events.empty()) {
      out.Put("<p>None in the period.</p>\n");
    } else {
      Table(out, {"Time", "Event", "Kind", "Value", "Limit"}, events);
    }
  }

  out.Put("<h2>Files</h2>\n");
  std::vector<std::vector<Cell>> files;
  for (const LogFileFacts& f : data.files) {
    files.push_back({{f.name},
                     {std::to_string(f.bytes)},
                     {std::to_string(f.records)},
                     {f.first_time ? LocalTimeText(*f.first_time) : ""},
                     {f.last_time ? LocalTimeText(*f.last_time) : ""}});
  }
  Table(out, {"Name", "Bytes", "Readings", "First", "Last"}, files, "files");
  out.Put("<table class=\"files\"><thead><tr><th>Name</th><th>SHA-256</th></tr></thead><tbody>\n");
  for (const LogFileFacts& f : data.files) {
    out.Put("<tr><td>" + HtmlEscaped(f.name) + "</td><td class=\"hash\">" + f.sha256 +
            "</td></tr>\n");
  }
  out.Put("</tbody></table>\n");
  out.Put("<p>To check that the logs are still the ones this report was made from, run "
          "<code>brenreport --verify REPORT.json</code> on this report's JSON form, from the "
          "folder it was made in.</p>\n");
  out.Put("</main></td></tr></tbody></table></body></html>\n");
}
