#pragma once
// brenwatch's live screen: one screen on a terminal, redrawn at most once a
// second: the log followed, the last reading and its time, minimum and
// maximum since start, each alarm's state and since when, the last events,
// and a chart of the readings of the last window (an hour by default).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AlarmView {
  std::string kind;    // "high", "low", "stale"
  std::string limit;   // as given ("8", "-20.5"; stale: seconds)
  bool raised = false;
  std::string since;   // yyyy-mm-ddThh:mm:ss of the last raise or clear; empty: never
};

struct ScreenState {
  std::string log;                  // the log file followed
  bool has_reading = false;
  std::string last_value;           // as the log wrote it
  std::string last_time;            // yyyy-mm-ddThh:mm:ss
  std::string minimum, maximum;     // since start, as the log wrote them
  std::vector<AlarmView> alarms;    // the configured ones, in the order high, low, stale
  std::vector<std::string> events;  // the last event lines, oldest first
};

// The whole screen as text for a terminal of `columns` x `rows` cells, each
// line at most `columns` cells. `chart` is the window's readings.
class ChartWindow;
std::string DrawScreen(const ScreenState& state, const ChartWindow& chart, int columns, int rows);

// The readings of the chart's window in bounded memory, whatever their rate.
class ChartWindow {
 public:
  explicit ChartWindow(int64_t window_seconds = 3600);
  // `seconds`: the reading's local time counted as if UTC (stamp or arrival).
  void Add(int64_t seconds, double value);
  // ...
};

// The terminal the screen is drawn on. Open returns null when standard
// output is no terminal. The terminal is restored on every way out
// (destructor, signals that end the run, error reports).
class LiveScreen {
 public:
  static std::unique_ptr<LiveScreen> Open(int64_t window_seconds);
  virtual ~LiveScreen() = default;
  // A reading for the chart.
  virtual void Add(int64_t seconds, double value) = 0;
  // Redraws when at least a second has passed since the last draw (or the
  // terminal was resized).
  virtual void Show(const ScreenState& state) = 0;
};
