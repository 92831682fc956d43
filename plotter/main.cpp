// brenplot: brenmark logs as a chart (through gnuplot) or as plain data.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plotter/chart_script.hpp"
#include "plotter/log_pass.hpp"
#include "plotter/plot_options.hpp"
#include "services/files/staged_file.hpp"
#include "services/process/external_program.hpp"
#include "services/process/helper_programs.hpp"

namespace {

constexpr int kNoReading = 1;
constexpr int kBadUsage = 2;
constexpr int kNoGnuplot = 3;

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "brenplot: %s\n", message.c_str());
  return code;
}

int EnvNumber(const char* name) {
  const char* text = std::getenv(name);
  if (text == nullptr) return 0;
  char* end = nullptr;
  long n = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && n > 0 && n < 10000 ? static_cast<int>(n) : 0;
}

// Characters of the terminal: COLUMNS/LINES first, then the window; 80x24
// when neither tells.
void TerminalChartSize(int& columns, int& lines) {
  int window_columns = 0, window_lines = 0;
  bool window = TerminalSize(window_columns, window_lines);
  columns = EnvNumber("COLUMNS") > 0 ? EnvNumber("COLUMNS") : window ? window_columns : 0;
  lines = EnvNumber("LINES") > 0 ? EnvNumber("LINES") : window ? window_lines : 0;
  if (columns == 0) columns = 80;
  // One line spare for the prompt that follows.
  lines = lines == 0 ? 24 : lines - 1;
  if (columns < 30) columns = 30;
  if (lines < 10) lines = 10;
}

std::string DefaultTitle(const std::vector<std::string>& logs) {
  auto base = [](const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
  };
  std::string title = base(logs.front());
  if (logs.size() > 1) title += " ... " + base(logs.back());
  return title;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  PlotOptions options;
  std::string error;
  if (!ScanPlotOptions(args, options, error)) {
    std::fprintf(stderr, "brenplot: %s\n%s", error.c_str(), kPlotUsage);
    return kBadUsage;
  }
  if (options.help) {
    std::fputs(kPlotUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::puts("brenplot " BRENPLOT_VERSION);
    return 0;
  }

  Chart frame;
  frame.format = options.format;
  if (options.format == ChartFormat::kTerminal) {
    TerminalChartSize(frame.width, frame.height);
  } else {
    frame.width = options.width;
    frame.height = options.height;
  }
  LogPass pass(options, frame.width, options.data ? stdout : nullptr);
  for (const std::string& log : options.logs) {
    if (!pass.ReadFile(log, error)) {
      pass.FlushData();
      return Fail(kBadUsage, error);
    }
  }
  if (pass.skipped() > 0) {
    std::fprintf(stderr, "brenplot: left out %lld record%s without a number\n",
                 static_cast<long long>(pass.skipped()), pass.skipped() == 1 ? "" : "s");
  }
  if (options.data) {
    if (!pass.FlushData()) return Fail(kBadUsage, "cannot write the readings");
    return pass.readings() > 0 ? 0 : Fail(kNoReading, "no reading found");
  }
  if (pass.readings() == 0) return Fail(kNoReading, "no reading found");

  Chart chart = pass.MakeChart();
  chart.format = frame.format;
  chart.width = frame.width;
  chart.height = frame.height;
  chart.title = options.has_title ? options.title : DefaultTitle(options.logs);
  StagedFile file;
  if (!options.output.empty() && !file.Begin(options.output)) {
    return Fail(kBadUsage, "cannot write the chart file " + options.output);
  }
  std::fflush(stdout);
  std::string gnuplot = GnuplotProgram();
  ExternalRun run = RunWithInput({gnuplot.empty() ? "gnuplot" : gnuplot}, ChartScript(chart),
                                 file.descriptor());
  if (!run.started) return Fail(kNoGnuplot, std::string("gnuplot not found; ") + GnuplotHint());
  if (run.status == 0 && (!run.input_taken || file.Size() == 0)) run.status = -1;
  // gnuplot has said what went wrong on the shared standard error.
  if (run.status < 0) return Fail(kNoGnuplot, "gnuplot drew nothing");
  if (run.status != 0) {
    return Fail(kNoGnuplot, "gnuplot failed (exit status " + std::to_string(run.status) + ")");
  }
  if (!options.output.empty() && !file.Commit()) {
    return Fail(kBadUsage, "cannot write the chart file " + options.output);
  }
  return 0;
}
