#include "plotter/chart_script.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "plotter/chart_text.hpp"

std::string GnuplotQuote(std::string_view text) {
  // gnuplot reads a doubled quote at a string's start as an empty string, so
  // quotes stand in double quotes of their own, joined with ".".
  std::string quoted;
  bool open = false;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\'') {
      quoted += open ? "' . \"'\"" : quoted.empty() ? "\"'\"" : " . \"'\"";
      open = false;
      continue;
    }
    if (!open) quoted += quoted.empty() ? "'" : " . '";
    open = true;
    quoted += u < 32 || u == 127 ? ' ' : c;
  }
  if (open) quoted += '\'';
  return quoted.empty() ? "\"\"" : quoted;
}

std::string NumberText(double value) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

namespace {

std::string TimeFormat(const Chart& chart, double span) {
  const char* line_break = chart.format == ChartFormat::kTerminal ? " " : "\\n";
  if (span <= 3600) return "%H:%M:%S";
  if (span <= 2 * 86400) return "%H:%M";
  if (span <= 200 * 86400) return std::string("%m-%d") + line_break + "%H:%M";
  return "%Y-%m-%d";
}

// A tic step in seconds that leaves room for `count` labels at most.
double TimeStep(double span, int count) {
  static constexpr double kSteps[] = {1,     2,     5,     10,    15,     30,     60,
                                      120,   300,   600,   900,   1800,   3600,   7200,
                                      10800, 21600, 43200, 86400, 172800, 604800, 2592000};
  for (double step : kSteps) {
    if (span / step <= count) return step;
  }
  return std::ceil(span / count / 2592000) * 2592000;
}

}  // namespace

std::string ChartScript(const Chart& chart) {
  // No output is named: gnuplot draws to the descriptor it is given, so no
  // file name has to survive its parser.
  std::string s;
  switch (chart.format) {
    case ChartFormat::kTerminal:
      s += "set terminal dumb size " + std::to_string(chart.width) + "," +
           std::to_string(chart.height) + "\n";
      break;
    case ChartFormat::kSvg:
      s += "set terminal svg size " + std::to_string(chart.width) + "," +
           std::to_string(chart.height) + " noenhanced font 'sans,11' background '#ffffff'\n";
      break;
    case ChartFormat::kPng:
      s += "set terminal pngcairo size " + std::to_string(chart.width) + "," +
           std::to_string(chart.height) + " noenhanced font 'sans,10' background '#ffffff'\n";
      break;
  }
  // Terminal lines longer than the chart are dropped whole by gnuplot; centred
  // lines this short leave the corner free for the axis name.
  size_t room = chart.format == ChartFormat::kTerminal
                    ? static_cast<size_t>(std::max(chart.width - 28, 24))
                    : 200;
  auto text = [&chart](std::string_view t) { return GnuplotQuote(ChartText(t, chart.format)); };
  std::string title = text(chart.title);
  std::string line;
  for (const std::string& part : chart.summary) {
    if (!line.empty() && line.size() + 3 + part.size() > room) {
      title += " . \"\\n\" . " + text(line);
      line.clear();
    }
    line += (line.empty() ? "" : "   ") + part;
  }
  if (!line.empty()) title += " . \"\\n\" . " + text(line);
  s += "set title " + title + " noenhanced\nset key off\n";
  // Dots across a character chart hide the line; vertical text is lost there.
  s += chart.format == ChartFormat::kTerminal
           ? "set label 'Temperature' at screen 0, graph 1 left offset 0,1\n"
           : "set grid\nset ylabel 'Temperature'\n";
  const bool terminal = chart.format == ChartFormat::kTerminal;
  double low = 0.0, high = 0.0, bottom = 0.0, top = 0.0;
  if (!chart.points.empty()) {
    low = high = chart.points.front().x;
    bottom = top = chart.points.front().y;
    for (const ChartPoint& p : chart.points) {
      low = std::min(low, p.x);
      high = std::max(high, p.x);
      bottom = std::min(bottom, p.y);
      top = std::max(top, p.y);
    }
  }
  // gnuplot would widen an empty range by a percentage: months around one stamp.
  if (low == high) {
    double pad = chart.time_axis ? 60.0 : 1.0;
    s += "set xrange [" + NumberText(low - pad) + ":" + NumberText(high + pad) + "]\n";
  }
  if (bottom == top) {
    s += "set yrange [" + NumberText(bottom - 1) + ":" + NumberText(top + 1) + "]\n";
  }
  if (chart.time_axis) {
    // Only % fields and \n: safe inside gnuplot's double quotes.
    s += "set xdata time\nset timefmt '%s'\nset format x \"" + TimeFormat(chart, high - low) +
         "\"\nset xlabel 'Time'\n";
    if (terminal) {
      // Character cells do not keep labels apart by themselves.
      double span = high > low ? high - low : 120.0;
      int count =
          std::max(1, (chart.width - 10) / (static_cast<int>(TimeFormat(chart, span).size()) + 3));
      s += "set xtics " + NumberText(TimeStep(span, count)) + "\n";
    }
  } else {
    s += "set xlabel 'Reading'\n";
  }
  for (const ChartMark& mark : chart.marks) {
    if (mark.x < low || mark.x > high) continue;
    std::string x = NumberText(mark.x);
    // Character cells round a full-height line up into the title.
    s += "set arrow from " + x + ", graph 0 to " + x + ", graph " + (terminal ? "0.95" : "1") +
         " nohead back lc rgb '#c03030' dt 2\n";
    s += "set label " + text(mark.label) + " at " + x +
         (terminal ? ", graph 1 left offset 1,-1"
                   : ", graph 0.97 right rotate by 90 offset -0.7,0") +
         " front tc rgb '#c03030' noenhanced\n";
  }
  s += "$readings << EOD\n";
  for (size_t i = 0; i < chart.points.size(); ++i) {
    const ChartPoint& p = chart.points[i];
    if (p.starts_line && i > 0) s += "\n";
    s += NumberText(p.x);
    s += ' ';
    s += NumberText(p.y);
    s += '\n';
  }
  s += "EOD\n";
  // A single reading draws no line.
  const char* style = chart.points.size() < 2 ? "points pt 7" : "lines lw 1.2";
  s += std::string("plot $readings using 1:2 with ") + style + " lc rgb '#1f5fa8'\n";
  return s;
}
