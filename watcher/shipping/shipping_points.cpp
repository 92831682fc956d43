#include "watcher/shipping/shipping_points.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

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

Stamper::Stamper(ZoneRules rules) : zone_(rules) {}

int64_t Stamper::Stamped(int64_t local_seconds) {
  int64_t utc[2];
  int count = zone_.Convert(local_seconds, utc);
  int64_t second = PickOccurrence(count, utc, local_seconds, memory_.last_local,
                                  memory_.second_occurrence);
  int64_t millisecond =
      second == memory_.last_second ? memory_.last_millisecond + 1 : second * 1000;
  memory_.last_second = second;
  memory_.last_millisecond = millisecond;
  return millisecond;
}

int64_t Stamper::Unstamped(int64_t now_milliseconds) {
  int64_t millisecond = memory_.last_millisecond != StampMemory::kNone
                            ? std::max(now_milliseconds, memory_.last_millisecond + 1)
                            : now_milliseconds;
  memory_.last_second = StampMemory::kNone;
  memory_.last_millisecond = millisecond;
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
