#pragma once
// The alarms of a watch: high and low limits with their delay and margin, the
// stale alarm, and repeats while an alarm stays raised. Readings go in, event
// lines come out, in the order they happen.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "watcher/screen.hpp"
#include "watcher/watch_options.hpp"

struct Event {
  std::string time;   // yyyy-mm-ddThh:mm:ss; empty when the log has no times
  std::string event;  // raise, clear, repeat
  std::string kind;   // high, low, stale
  std::string value;  // as the log wrote it; empty for stale
  std::string limit;  // as given; seconds for stale
};

// time,event,kind,value,limit
std::string EventLine(const Event& event);

struct Reading {
  double value = 0;
  std::string_view text;  // the number as the log wrote it
  bool timed = true;      // false: a --once reading without a stamp
  int64_t seconds = 0;    // its local time counted as if UTC (stamp or arrival)
  std::string_view time;  // the same as yyyy-mm-ddThh:mm:ss
  int64_t clock = 0;      // seconds on the clock repeats are counted by
};

class Alarms {
 public:
  // `gaps`: the stale alarm is a gap between stamped readings (--once);
  // otherwise the caller tells when readings have stopped (RaiseStale).
  Alarms(const WatchOptions& options, bool gaps);

  void Take(const Reading& reading, std::vector<Event>& events);
  void RaiseStale(std::string_view time, int64_t clock, std::vector<Event>& events);
  // A repeat of every raised alarm whose time for it has come.
  void Repeats(int64_t clock, std::string_view time, std::vector<Event>& events);

  bool StaleRaised() const { return stale_.raised; }
  bool EverRaised() const { return ever_raised_; }
  // The configured alarms, high, low, stale, for the screen.
  std::vector<AlarmView> Views() const;

 private:
  struct State {
    bool raised = false;
    bool in_run = false;    // readings beyond the limit, not yet long enough
    int64_t run_start = 0;  // the run's first reading
    int64_t next_repeat = 0;
    std::string since;
  };
  void Emit(State& state, std::string_view time, const char* event, const char* kind,
            std::string_view value, const std::string& limit, int64_t clock,
            std::vector<Event>& events);
  void Beyond(State& state, bool beyond, bool back, const Reading& reading, const char* kind,
              const std::string& limit, std::vector<Event>& clears, std::vector<Event>& raises);

  WatchOptions options_;
  bool gaps_;
  std::string stale_limit_;
  State high_, low_, stale_;
  std::string last_text_;
  bool has_stamp_ = false;
  int64_t last_stamp_ = 0;
  bool ever_raised_ = false;
};
