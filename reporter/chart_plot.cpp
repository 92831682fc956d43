#include "reporter/chart_plot.hpp"

#include <charconv>

#include "reporter/scratch_folder.hpp"
#include "services/process/external_program.hpp"
#include "services/process/helper_programs.hpp"

namespace {

// Shortest text that reads back as the same number.
std::string Number(double value) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string ChartPlotScript(const ReportData& data, const std::string& output) {
  const ReportOptions& o = data.options;
  std::string s;
  s += "set terminal svg size 960,420 dynamic font 'sans,11' background '#ffffff'\n";
  s += "set output " + Quoted(output) + "\n";
  s += "set encoding utf8\nset xdata time\nset timefmt '%s'\n";
  int64_t span = data.chart.empty() ? 0 : data.chart.back().start - data.chart.front().start;
  s += span > 3 * 86400 ? "set format x '%m-%d'\n" : "set format x \"%m-%d\\n%H:%M\"\n";
  s += "set grid xtics ytics lc '#dddddd'\nset border 3\nset tics nomirror\n";
  s += "set key top left horizontal\n";
  std::string unit = o.unit == Unit::kFahrenheit ? "°F" : o.unit == Unit::kKelvin ? "K" : "°C";
  s += "set ylabel '" + unit + "'\n";
  // The limits stay in view even when the readings keep far from them.
  double low = data.period.minimum, high = data.period.maximum;
  if (o.high && *o.high > high) high = *o.high;
  if (o.low && *o.low < low) low = *o.low;
  double margin = (high - low) * 0.05 + 0.5;
  s += "set yrange [" + Number(low - margin) + ":" + Number(high + margin) + "]\n";
  // The period's own span, not gnuplot's rounding to whole tics.
  int64_t left = o.from ? *o.from : data.chart.empty() ? 0 : data.chart.front().start;
  int64_t right = o.to ? *o.to : data.chart.empty() ? 0 : data.chart.back().start + data.chart_width;
  if (right - left < 120) {
    left -= 60;
    right += 60;
  }
  s += "set xrange [" + Number(static_cast<double>(left)) + ":" +
       Number(static_cast<double>(right)) + "]\n";
  s += "$readings << EOD\n";
  for (const ChartBucket& bucket : data.chart) {
    if (bucket.gap_before) s += "\n";
    s += Number(static_cast<double>(bucket.start + data.chart_width / 2)) + " " +
         Number(bucket.minimum) + " " + Number(bucket.maximum) + "\n";
  }
  s += "EOD\n";
  std::string plot = "plot $readings using 1:2:3 with filledcurves fc '#3b6fb6' fs solid 0.35 "
                     "noborder title 'lowest to highest', "
                     "$readings using 1:3 with lines lc '#3b6fb6' lw 1 notitle, "
                     "$readings using 1:2 with lines lc '#3b6fb6' lw 1 notitle";
  if (o.high) {
    std::string h = Number(*o.high);
    plot += ", $readings using 1:(($3>" + h + ")?$3:" + h + "):(" + h +
            ") with filledcurves fc '#d62728' fs solid 0.45 noborder title 'above high', " + h +
            " with lines lc '#d62728' dt 2 title 'high " + h + "'";
  }
  if (o.low) {
    std::string l = Number(*o.low);
    plot += ", $readings using 1:(($2<" + l + ")?$2:" + l + "):(" + l +
            ") with filledcurves fc '#9467bd' fs solid 0.45 noborder title 'below low', " + l +
            " with lines lc '#9467bd' dt 2 title 'low " + l + "'";
  }
  return s + plot + "\n";
}

bool DrawChart(const ReportData& data, const std::string& svg_file, std::string& svg,
               std::string& why) {
  if (data.chart.empty()) {
    why = "no reading in the period";
    return false;
  }
  std::string gnuplot = GnuplotProgram();
  if (gnuplot.empty()) {
    why = std::string("gnuplot was not found; ") + GnuplotHint();
    return false;
  }
  ExternalRun run = RunWithInput({gnuplot}, ChartPlotScript(data, svg_file));
  std::string text;
  if (!run.started || run.status != 0 || !ReadFileText(svg_file, text) || text.empty()) {
    why = "gnuplot did not draw the chart";
    return false;
  }
  // The element alone: no XML declaration or document type inside HTML.
  size_t start = text.find("<svg");
  if (start == std::string::npos) {
    why = "gnuplot did not draw the chart";
    return false;
  }
  svg = text.substr(start);
  return true;
}
