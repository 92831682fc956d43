#include "watcher/event_output.hpp"

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kEventsKept = 10;

}  // namespace

EventOutput::~EventOutput() {
  if (alarm_log_) std::fclose(alarm_log_);
}

bool EventOutput::OpenAlarmLog(const std::string& alarm_log, std::string& error) {
  alarm_log_ = std::fopen(alarm_log.c_str(), "ab");
  if (!alarm_log_) {
    error = "cannot open the alarm log " + alarm_log + ": " + std::strerror(errno);
    return false;
  }
  alarm_log_name_ = alarm_log;
  return true;
}

void EventOutput::Write(const Event& event) {
  std::string line = EventLine(event);
  if (standard_output_) {
    std::fputs((line + '\n').c_str(), stdout);
    std::fflush(stdout);
  }
  if (alarm_log_) {
    bool written = std::fputs((line + '\n').c_str(), alarm_log_) >= 0;
    if (std::fflush(alarm_log_) != 0 || !written) {
      // Said once; the events still go to the screen or standard output.
      if (!log_failed_) {
        std::fprintf(stderr, "brenwatch: cannot write the alarm log %s: %s\n",
                     alarm_log_name_.c_str(), std::strerror(errno));
      }
      log_failed_ = true;
    } else {
      log_failed_ = false;
    }
  }
  last_.push_back(std::move(line));
  if (last_.size() > kEventsKept) last_.pop_front();
}
