// One received line becomes a console echo and one log record.
#include <string>
#include <string_view>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/text/text_forms.hpp"
#include "services/time/clock.hpp"

namespace {

// Records arrive by the hundred thousand a second: the texts are built in
// buffers that keep their capacity from line to line.
std::string record_buffer;
std::string echo_buffer;

// yyyy-mm-dd from mm-dd-yyyy.
std::string RecordDate(const std::string& month_first) {
  if (month_first.size() < 10) return {};
  return month_first.substr(6, 4) + '-' + month_first.substr(0, 2) + '-' + month_first.substr(3, 2);
}

// The texts of the last second stamped: most records share their second.
struct Stamp {
  LocalTime at;
  std::string date;  // yyyy-mm-dd
  std::string time;
  bool filled = false;
};
Stamp stamp;

bool SameSecond(const LocalTime& a, const LocalTime& b) {
  return a.valid == b.valid && a.second == b.second && a.minute == b.minute && a.hour == b.hour &&
         a.day == b.day && a.month == b.month && a.year == b.year;
}

const Stamp& StampNow() {
  // One reading of the clock, so date and time belong together.
  LocalTime now = CurrentClock().Now();
  if (!SameSecond(now, stamp.at) || !stamp.filled) {
    stamp.at = now;
    stamp.date = RecordDate(DateTextOf(now));
    stamp.time = TimeTextOf(now);
    stamp.filled = true;
  }
  return stamp;
}

bool IsComment(const std::string& line) {
  return !line.empty() && line.front() == ';';
}

void PickUpOffset(const std::string& line) {
  if (!IsComment(line) || line.find("Offset:") == std::string::npos) return;
  // The number stands after the first tab, wherever it is; without a tab the
  // whole line is read, which begins with ";" and so reads as 0.
  size_t tab = line.find('\t');
  std::string_view text(line);
  if (tab != std::string::npos) text.remove_prefix(tab + 1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  Settings.DegreeOffset = static_cast<float>(NumberValue(text));
}

void AppendStamped(std::string& out, const std::string& date, const std::string& time,
                   std::string_view gap_after_date, std::string_view gap_after_time,
                   const std::string& line) {
  out += date;
  out += gap_after_date;
  out += time;
  out += gap_after_time;
  out += line;
}

}  // namespace

int8_t PROCESSDATA(std::string& line) {
  RoutineScope scope("PROCESSDATA", kLoggerModule);
  PickUpOffset(line);

  const bool stamped = Settings.ApndTime && !IsComment(line);
  static const std::string kNone;
  const Stamp* now = stamped ? &StampNow() : nullptr;
  const std::string& date = now ? now->date : kNone;
  const std::string& time = now ? now->time : kNone;

  if (stamped) {
    echo_buffer.clear();
    if (Settings.StdOut) {
      AppendStamped(echo_buffer, date, time, Settings.Delimiter, Settings.Delimiter, line);
    } else {
      AppendStamped(echo_buffer, date, time, "  ", "    ", line);
    }
    HoldLine(echo_buffer);
  } else {
    HoldLine(line);
  }

  if (Settings.LogToFile) {
    CHECKTIME();
    record_buffer.clear();
    if (stamped) {
      AppendStamped(record_buffer, date, time, Settings.Delimiter, Settings.Delimiter, line);
    } else {
      record_buffer += line;
    }
    record_buffer += Settings.EolStr;
    int error = PrintFileText(kLogFileNumber, record_buffer);
    // A record counts as written only once it has reached the system.
    int flush_error = FlushFile(kLogFileNumber);
    if (error == 0) error = flush_error;
    if (error != 0) {
      PrintLine("***Error*** writting file: " + Settings.FileStr);
      PrintLine("Error reported was: " + IntText(error));
      Settings.ExitCode = kLogWriteFailed;
      return static_cast<int8_t>(kLogWriteFailed);
    }
  }
  line.clear();
  return static_cast<int8_t>(Settings.ExitCode);
}
