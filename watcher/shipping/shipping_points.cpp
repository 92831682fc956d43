#include "watcher/shipping/shipping_points.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace {

// Commas and blanks end a name, and in tags also "=": each takes a backslash.
bool AppendEscaped(std::string& out, std::string_view name, std::string_view special,
                   const char* what, std::string& error) {
  if (name.empty()) {
    error = std::string(what) + " is empty";
    return false;
  }
  if (name.find_first_of("\r\n") != std::string_view::npos) {
    error = std::string(what) + " holds a line end";
    return false;
  }
  // A final backslash would escape the separator after it.
  if (name.back() == '\\') {
    error = std::string(what) + " " + std::string(name) + " ends with a backslash";
    return false;
  }
  for (char c : name) {
    if (special.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return true;
}

}  // namespace

bool PointPrefix(std::string_view measurement,
                 std::vector<std::pair<std::string, std::string>> tags, std::string& prefix,
                 std::string& error) {
  prefix.clear();
  if (!measurement.empty() && measurement.front() == '#') {
    error = "the measurement " + std::string(measurement) + " begins with #";
    return false;
  }
  if (!AppendEscaped(prefix, measurement, ", ", "the measurement", error)) return false;
  // A key given twice would make two tags of one name: the last one counts.
  for (size_t i = 0; i < tags.size(); ++i) {
    for (size_t j = i + 1; j < tags.size(); ++j) {
      if (tags[j].first == tags[i].first) {
        tags.erase(tags.begin() + static_cast<std::ptrdiff_t>(i--));
        break;
      }
    }
  }
  // Sorted keys are what the servers index fastest.
  std::sort(tags.begin(), tags.end());
  for (const auto& [key, value] : tags) {
    prefix += ',';
    if (!AppendEscaped(prefix, key, ",= ", "a tag key", error)) return false;
    prefix += '=';
    if (!AppendEscaped(prefix, value, ",= ", ("the value of tag " + key).c_str(), error)) {
      return false;
    }
  }
  prefix += " value=";
  return true;
}

Stamper::Stamper(ZoneRules rules) : rules_(rules) {}

int Stamper::Convert(int64_t local_seconds, int64_t utc[2]) {
  int64_t hour = local_seconds >= 0 ? local_seconds / 3600 : (local_seconds - 3599) / 3600;
  if (hour != cached_hour_) {
    // Asking the zone rules costs; they hold for a whole hour unless a change
    // falls inside it, then every reading asks.
    int64_t first[2], last[2];
    int first_count = rules_(hour * 3600, first);
    int last_count = rules_(hour * 3600 + 3599, last);
    bool same = first_count == last_count &&
                first[0] - hour * 3600 == last[0] - (hour * 3600 + 3599) &&
                (first_count == 1 || first[1] - hour * 3600 == last[1] - (hour * 3600 + 3599));
    cached_hour_ = hour;
    cached_count_ = same ? first_count : 0;
    for (int i = 0; i < first_count; ++i) cached_offsets_[i] = hour * 3600 - first[i];
  }
  if (cached_count_ == 0) return rules_(local_seconds, utc);
  for (int i = 0; i < cached_count_; ++i) utc[i] = local_seconds - cached_offsets_[i];
  return cached_count_;
}

int64_t Stamper::Stamped(int64_t local_seconds) {
  int64_t utc[2];
  int count = Convert(local_seconds, utc);
  if (count < 2) {
    memory_.second_occurrence = false;
  } else if (memory_.last_local != StampMemory::kNone && local_seconds < memory_.last_local) {
    memory_.second_occurrence = true;
  }
  int64_t second = utc[count == 2 && memory_.second_occurrence ? 1 : 0];
  memory_.last_local = local_seconds;
  int64_t millisecond = Place(second);
  memory_.last_second = second;
  return millisecond;
}

// Readings in file order take the milliseconds of their second one after
// the other. Stamps that go back start a pass above every millisecond any
// second has used, for the seconds already used; later seconds start at
// their first millisecond again. A reading its second has no room for takes
// the first millisecond after every one given.
int64_t Stamper::Place(int64_t second) {
  StampMemory& m = memory_;
  int64_t first = second * 1000;
  int64_t millisecond;
  if (m.last_millisecond == StampMemory::kNone) {
    millisecond = first;
  } else if (m.last_second != StampMemory::kNone && second < m.last_second) {
    m.pass_base = m.ceiling;
    m.pass_top = m.highest >= 0 ? m.highest / 1000 : (m.highest - 999) / 1000;
    millisecond = first + m.pass_base;
  } else {
    bool used = m.pass_top != StampMemory::kNone && second <= m.pass_top;
    millisecond = std::max(first + (used ? m.pass_base : 0), m.last_millisecond + 1);
  }
  if (millisecond - first >= 1000 && m.highest != StampMemory::kNone) {
    millisecond = std::max(millisecond, m.highest + 1);
  }
  Given(millisecond);
  return millisecond;
}

void Stamper::Given(int64_t millisecond) {
  StampMemory& m = memory_;
  m.last_millisecond = millisecond;
  m.highest = m.highest == StampMemory::kNone ? millisecond : std::max(m.highest, millisecond);
  int64_t within = ((millisecond % 1000) + 1000) % 1000;
  m.ceiling = std::max(m.ceiling, within + 1);
}

int64_t Stamper::Unstamped(int64_t now_milliseconds) {
  int64_t millisecond = memory_.highest != StampMemory::kNone
                            ? std::max(now_milliseconds, memory_.highest + 1)
                            : now_milliseconds;
  memory_.last_second = StampMemory::kNone;
  Given(millisecond);
  return millisecond;
}

bool AppendPoint(std::string& body, std::string_view prefix, double value, int64_t millisecond) {
  if (!std::isfinite(value)) return false;
  char digits[64];
  body += prefix;
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  body.append(digits, end);
  body += ' ';
  end = std::to_chars(digits, digits + sizeof digits, millisecond).ptr;
  body.append(digits, end);
  body += '\n';
  return true;
}
