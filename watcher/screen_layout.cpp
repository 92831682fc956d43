#include <algorithm>
#include <cstdlib>

#include "watcher/chart_drawing.hpp"
#include "watcher/screen.hpp"
#include "watcher/screen_text.hpp"

namespace {

// No terminal is larger; a bogus size must not cost gigabytes of cells.
constexpr int kLargestColumns = 2048;
constexpr int kLargestRows = 512;

// Below this the chart says too little to be worth the events it displaces.
constexpr int kMinimumChartRows = 4;

// The latest reading, then the extremes since start: on one line when it
// fits, else on two.
std::vector<std::string> ReadingLines(const ScreenState& state, int columns) {
  if (!state.has_reading) return {"No reading yet"};
  std::string latest = "Last " + state.last_value;
  if (!state.last_time.empty()) latest += " at " + state.last_time;
  std::string extremes = "min " + state.minimum + "   max " + state.maximum;
  std::string both = latest + "   " + extremes;
  if (static_cast<int>(both.size()) <= columns) return {both};
  return {latest, extremes};
}

// The state first, so a narrow terminal still shows it.
std::string AlarmLine(const AlarmView& alarm) {
  std::string condition = alarm.kind;
  if (alarm.kind == "high") condition += " > " + alarm.limit;
  if (alarm.kind == "low") condition += " < " + alarm.limit;
  if (alarm.kind == "stale") condition += " > " + alarm.limit + " s";
  std::string line = std::string(alarm.raised ? "ALARM" : "clear") + "  " + condition;
  if (alarm.since.empty()) return line;
  line.resize(std::max<size_t>(line.size() + 1, 22), ' ');
  return line + "since " + alarm.since;
}

// The limits drawn across the chart: those of the reading alarms that are
// numbers.
std::vector<double> ChartLimits(const std::vector<AlarmView>& alarms) {
  std::vector<double> limits;
  for (const AlarmView& alarm : alarms) {
    if (alarm.kind != "high" && alarm.kind != "low") continue;
    char* end = nullptr;
    double value = std::strtod(alarm.limit.c_str(), &end);
    if (end != alarm.limit.c_str() && *end == '\0') limits.push_back(value);
  }
  return limits;
}

}  // namespace

// From the top: what is followed, the latest reading, the alarms, the last
// events, then the chart in what is left. A short terminal keeps the lines
// nearest the top.
std::string DrawScreen(const ScreenState& state, const ChartWindow& chart, int columns, int rows) {
  if (columns < 1 || rows < 1) return "";
  columns = std::min(columns, kLargestColumns);
  rows = std::min(rows, kLargestRows);
  std::vector<std::string> lines = {"brenwatch: " + state.log};
  for (std::string& line : ReadingLines(state, columns)) lines.push_back(std::move(line));
  for (const AlarmView& alarm : state.alarms) lines.push_back(AlarmLine(alarm));

  int left = rows - static_cast<int>(lines.size());
  int wanted_events = std::max<int>(1, static_cast<int>(state.events.size()));
  int event_rows = std::min(wanted_events, std::max(1, left / 3));
  if (left - event_rows < kMinimumChartRows) event_rows = std::min(wanted_events, left);
  event_rows = std::max(0, event_rows);
  if (state.events.empty()) {
    if (event_rows > 0) lines.push_back("No alarm events yet");
  } else {
    auto shown = static_cast<size_t>(event_rows);
    for (size_t i = state.events.size() - std::min(shown, state.events.size());
         i < state.events.size(); ++i)
      lines.push_back(state.events[i]);
  }

  int chart_rows = rows - static_cast<int>(lines.size());
  if (chart_rows >= kMinimumChartRows || (chart.Empty() && chart_rows > 0)) {
    for (std::string& line : DrawChart(chart, columns, chart_rows, ChartLimits(state.alarms)))
      lines.push_back(std::move(line));
  }

  std::string screen;
  for (size_t i = 0; i < lines.size() && i < static_cast<size_t>(rows); ++i) {
    if (i > 0) screen += '\n';
    screen += FitCells(lines[i], columns);
  }
  return screen;
}
