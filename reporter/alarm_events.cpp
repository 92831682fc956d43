#include "reporter/alarm_events.hpp"

#include <string_view>
#include <vector>

#include "logreader/log_record.hpp"
#include "logreader/record_lines.hpp"
#include "services/files/files.hpp"

namespace {

// time,event,kind,value,limit with a real time and a known event.
bool ReadEventLine(std::string_view line, AlarmEvent& event) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  for (;;) {
    size_t comma = line.find(',', at);
    fields.push_back(line.substr(at, comma == std::string_view::npos ? line.npos : comma - at));
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  if (fields.size() != 5) return false;
  int64_t first = 0, last = 0;
  if (fields[0].size() != 19 || !ReadTimeBound(fields[0], first, last)) return false;
  if (fields[1] != "raise" && fields[1] != "clear" && fields[1] != "repeat") return false;
  event.local = first;
  event.time.Set(fields[0]);
  event.event.Set(fields[1]);
  event.kind.Set(fields[2]);
  event.value.Set(fields[3]);
  event.limit.Set(fields[4]);
  return true;
}

}  // namespace

bool ReadAlarmLog(const std::string& name, std::optional<int64_t> from, std::optional<int64_t> to,
                  Spool<AlarmEvent>& events, std::string& error) {
  RecordLines lines;
  if (!lines.Open(NativeFileName(name))) {
    error = "cannot read the alarm log " + name;
    return false;
  }
  std::string_view line;
  while (lines.Next(line)) {
    AlarmEvent event;
    if (!ReadEventLine(line, event)) continue;
    if ((from && event.local < *from) || (to && event.local >= *to)) continue;
    if (!events.Add(event)) {
      error = "cannot keep the alarm events: no room for a temporary file";
      return false;
    }
  }
  if (lines.failed()) {
    error = "cannot read the alarm log " + name;
    return false;
  }
  return true;
}
