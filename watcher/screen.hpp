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
  std::string kind;   // "high", "low", "stale"
  std::string limit;  // as given ("8", "-20.5"; stale: seconds)
  bool raised = false;
  std::string since;  // yyyy-mm-ddThh:mm:ss of the last raise or clear; empty: never
  bool operator==(const AlarmView&) const = default;
};

struct ScreenState {
  std::string log;  // the log file followed
  bool has_reading = false;
  std::string last_value;           // as the log wrote it
  std::string last_time;            // yyyy-mm-ddThh:mm:ss
  std::string minimum, maximum;     // since start, as the log wrote them
  std::vector<AlarmView> alarms;    // the configured ones, in the order high, low, stale
  std::vector<std::string> events;  // the last event lines, oldest first
  bool operator==(const ScreenState&) const = default;
};

// The whole screen as text for a terminal of `columns` x `rows` cells, each
// line at most `columns` cells. `chart` is the window's readings.
class ChartWindow;
std::string DrawScreen(const ScreenState& state, const ChartWindow& chart, int columns, int rows);

// The readings of the chart's window in bounded memory, whatever their rate:
// the window is cut into at most kMaxBuckets equal spans of time, each
// keeping only the lowest and highest reading that fell into it.
class ChartWindow {
 public:
  static constexpr int kMaxBuckets = 1024;

  explicit ChartWindow(int64_t window_seconds = 3600);
  // `seconds`: the reading's local time counted as if UTC (stamp or arrival).
  // A reading that steps back further than a bucket (a clock set back, a new
  // log with older stamps) starts the chart afresh from it. Readings that are
  // no number (NaN, infinite) are not drawn.
  void Add(int64_t seconds, double value);

  struct Bucket {
    int64_t index = 0;  // start time / bucket_seconds; the slot is unused while empty
    double low = 0, high = 0;
    bool used = false;
  };
  bool Empty() const { return !has_readings_; }
  int64_t BucketSeconds() const { return bucket_seconds_; }
  int BucketCount() const { return static_cast<int>(ring_.size()); }
  int64_t LatestSeconds() const { return latest_seconds_; }
  // Bucket `position` of the window, 0 the oldest, BucketCount()-1 the one
  // holding the latest reading; check `used`.
  Bucket At(int position) const;
  // The start of the window's oldest bucket, in seconds.
  int64_t WindowStart() const;

 private:
  int64_t bucket_seconds_ = 1;
  std::vector<Bucket> ring_;
  bool has_readings_ = false;
  int64_t latest_index_ = 0;
  int64_t latest_seconds_ = 0;
};

// The terminal the screen is drawn on. Open returns null when standard
// output is no terminal. The terminal is restored on every way out
// (destructor, signals that end the run, error reports).
class TerminalScreen;
class LiveScreen {
 public:
  static std::unique_ptr<LiveScreen> Open(int64_t window_seconds);
  // The same on a given terminal (tests draw on a fake one).
  static std::unique_ptr<LiveScreen> On(std::unique_ptr<TerminalScreen> terminal,
                                        int64_t window_seconds);
  virtual ~LiveScreen() = default;
  // A reading for the chart.
  virtual void Add(int64_t seconds, double value) = 0;
  // Redraws when at least a second has passed since the last draw (or the
  // terminal was resized). An unchanged screen is drawn again only every
  // ten seconds.
  virtual void Show(const ScreenState& state) = 0;
  // Milliseconds until a change held back by the once-a-second limit is due
  // (call Show then), or -1 when none waits: the main loop's longest sleep.
  virtual int MillisecondsUntilDue() const { return -1; }
};
