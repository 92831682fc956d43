#include "watcher/event_output.hpp"

#include <cerrno>
#include <cstring>

#include "services/files/descriptor.hpp"
#include "services/files/files.hpp"
#include "watcher/console_lines.hpp"

namespace {

constexpr size_t kEventsKept = 10;

}  // namespace

EventOutput::~EventOutput() {
  if (alarm_log_ >= 0) CloseDescriptor(alarm_log_);
}

bool EventOutput::OpenAlarmLog(const std::string& alarm_log, std::string& error) {
  alarm_log_name_ = NativeFileName(alarm_log);
  return AlarmLogOpen(error);
}

// Opens the log by its name again when that names another file, or none.
bool EventOutput::AlarmLogOpen(std::string& error) {
  if (alarm_log_ >= 0 && NameStillNames(alarm_log_name_, alarm_log_)) return true;
  // Closed first: on Windows a deleted file keeps its name until then.
  if (alarm_log_ >= 0) CloseDescriptor(alarm_log_);
  alarm_log_ = OpenSharedAppender(alarm_log_name_);
  if (alarm_log_ < 0) {
    error = "cannot open the alarm log " + alarm_log_name_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void EventOutput::Write(const Event& event) {
  std::string line = EventLine(event);
  if (standard_output_) SayEventLine(line);
  if (!alarm_log_name_.empty()) {
    std::string error;
    std::string text = line + '\n';
    if (!AlarmLogOpen(error) || !WriteAllBytes(alarm_log_, text.data(), text.size())) {
      // Said once; the events still go to the screen or standard output.
      if (error.empty()) {
        error = "cannot write the alarm log " + alarm_log_name_ + ": " + std::strerror(errno);
      }
      if (!log_failed_) SayProblem(error);
      log_failed_ = true;
    } else {
      log_failed_ = false;
    }
  }
  last_.push_back(std::move(line));
  if (last_.size() > kEventsKept) last_.pop_front();
}
