#pragma once
// Where event lines go: standard output (unless the live screen shows them)
// and the alarm log, each line written out at once; the screen keeps the last
// few. The alarm log may be rotated or deleted while brenwatch runs: the next
// line starts a new file by its name. Several writers may share it.
#include <cstdio>
#include <deque>
#include <string>

#include "watcher/alarms.hpp"

class EventOutput {
 public:
  EventOutput() = default;
  ~EventOutput();
  EventOutput(const EventOutput&) = delete;
  EventOutput& operator=(const EventOutput&) = delete;

  // Appends to `alarm_log` from now on; false with a message naming it.
  bool OpenAlarmLog(const std::string& alarm_log, std::string& error);
  void SetStandardOutput(bool on) { standard_output_ = on; }
  void Write(const Event& event);
  const std::deque<std::string>& Last() const { return last_; }

 private:
  bool AlarmLogOpen(std::string& error);

  int alarm_log_ = -1;
  std::string alarm_log_name_;
  bool standard_output_ = true;
  bool log_failed_ = false;
  std::deque<std::string> last_;
};
