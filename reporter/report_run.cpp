#include "reporter/report_run.hpp"

#include <cstdio>
#include <memory>
#include <optional>

#include "reporter/chart_plot.hpp"
#include "reporter/exit_codes.hpp"
#include "reporter/html_writer.hpp"
#include "reporter/json_writer.hpp"
#include "reporter/pdf_printer.hpp"
#include "reporter/report_pass.hpp"
#include "reporter/report_verify.hpp"
#include "reporter/scratch_folder.hpp"
#include "reporter/table_writers.hpp"
#include "services/files/files.hpp"
#include "services/files/staged_file.hpp"
#include "services/time/clock.hpp"
#include "services/time/local_zone.hpp"

namespace {

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "brenreport: %s\n", message.c_str());
  return code;
}

std::string NowText() {
  LocalTime now = CurrentClock().Now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return now.valid ? text : "";
}

void WriteFormat(const ReportData& data, ReportFormat format, const std::string& chart,
                 const std::string& no_chart, ReportText& out) {
  switch (format) {
    case ReportFormat::kJson:
      WriteJson(data, out);
      break;
    case ReportFormat::kCsv:
      WriteCsv(data, out);
      break;
    case ReportFormat::kHtml:
      WriteHtml(data, chart, no_chart, out);
      break;
    default:
      WriteText(data, out);
  }
}

// The chart, drawn once for every HTML and PDF output.
struct ChartOnce {
  bool drawn = false;
  std::string svg;
  std::string why;
  void Draw(const ReportData& data, const ScratchFolder& scratch) {
    if (drawn) return;
    drawn = true;
    if (!DrawChart(data, scratch.Path("chart.svg"), svg, why)) svg.clear();
  }
};

// One output, staged and put in place whole; false with the reason.
bool MakeOutput(const ReportData& data, const ReportOutput& output, ScratchFolder& scratch,
                ChartOnce& chart, std::string& why) {
  if (output.format == ReportFormat::kHtml || output.format == ReportFormat::kPdf) {
    chart.Draw(data, scratch);
  }
  StagedFile file;
  if (!file.Begin(NativeFileName(output.name))) {
    why = "cannot be written here (no such folder, or no permission)";
    return false;
  }
  if (output.format == ReportFormat::kPdf) {
    std::string html = scratch.Path("report.html");
    StagedFile page;
    if (!page.Begin(html)) {
      why = "no room for the page to print";
      return false;
    }
    ReportText text(page.descriptor());
    WriteHtml(data, chart.svg, chart.why, text);
    if (!text.Finish() || !page.Commit()) {
      why = "no room for the page to print";
      return false;
    }
    if (!PrintPdf(html, file.WorkingName(), scratch.Path("browser-profile"), why)) return false;
  } else {
    ReportText text(file.descriptor());
    WriteFormat(data, output.format, chart.svg, chart.why, text);
    if (!text.Finish()) {
      why = "could not be written whole (disk full?)";
      return false;
    }
  }
  if (!file.Commit()) {
    why = "could not be put in place";
    return false;
  }
  return true;
}

}  // namespace

int RunReport(const std::vector<std::string>& args) {
  auto data = std::make_unique<ReportData>();
  std::string error;
  if (!ScanReportOptions(args, data->options, error)) {
    std::fprintf(stderr, "brenreport: %s\n%s", error.c_str(), kReportUsage);
    return kReportBadInput;
  }
  const ReportOptions& options = data->options;
  if (options.help) {
    std::fputs(kReportUsage, stdout);
    return kReportWritten;
  }
  if (options.version) {
    std::puts("brenreport " BRENREPORT_VERSION);
    return kReportWritten;
  }
  if (!options.verify.empty()) {
    int code = VerifyReport(options.verify, stdout, error);
    return code == kReportBadInput ? Fail(code, error) : code;
  }
  std::vector<std::string> logs;
  if (!SourceLogs(options.source, logs, error)) return Fail(kReportBadInput, error);
  data->rules = RulesFor(options, LocalToUtc);
  data->version = BRENREPORT_VERSION;
  data->made = NowText();
  ReportPass pass(*data);
  for (const std::string& log : logs) {
    if (!pass.ReadLog(log, error)) return Fail(kReportBadInput, error);
  }
  pass.Finish();
  if (!options.alarm_log.empty()) {
    // Without bounds the period is what the readings span.
    std::optional<int64_t> from = options.from, to = options.to;
    for (const LogFileFacts& file : data->files) {
      if (!options.from && file.first_time && (!from || *file.first_time < *from)) {
        from = file.first_time;
      }
      if (!options.to && file.last_time && (!to || *file.last_time + 1 > *to)) {
        to = *file.last_time + 1;
      }
    }
    if (!ReadAlarmLog(options.alarm_log, from, to, data->events, error)) {
      return Fail(kReportBadInput, error);
    }
  }

  ScratchFolder scratch;
  bool scratch_made = false;
  ChartOnce chart;
  int code = kReportWritten;
  for (const ReportOutput& output : options.outputs) {
    if (output.name.empty()) {
      std::fflush(stdout);
      ReportText text(1);
      WriteText(*data, text);
      if (!text.Finish()) code = Fail(kReportNotMade, "cannot write to standard output");
      continue;
    }
    bool needs_scratch = output.format == ReportFormat::kHtml || output.format == ReportFormat::kPdf;
    if (needs_scratch && !scratch_made) {
      if (!scratch.Make()) {
        code = Fail(kReportNotMade, output.name + ": no temporary folder can be made");
        continue;
      }
      scratch_made = true;
    }
    std::string why;
    if (!MakeOutput(*data, output, scratch, chart, why)) {
      code = Fail(kReportNotMade, output.name + ": " + why);
    }
  }
  if (chart.drawn && chart.svg.empty()) {
    std::fprintf(stderr, "brenreport: the HTML has no chart: %s\n", chart.why.c_str());
  }
  return code;
}
