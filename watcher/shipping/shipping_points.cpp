#include "watcher/shipping/shipping_points.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

#include "services/time/floor_divide.hpp"

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
  int64_t hour = FloorDivide(local_seconds, 3600);
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
  Given(millisecond);
  return millisecond;
}

namespace {

constexpr int32_t kFull = 1000;

// The run holding `second`, else the first run after it.
std::vector<UsedSeconds>::const_iterator RunAt(const std::vector<UsedSeconds>& used,
                                               int64_t second) {
  // Most readings land in the newest run or after it.
  if (!used.empty() && used.back().first <= second) {
    return second <= used.back().last ? used.end() - 1 : used.end();
  }
  return std::lower_bound(used.begin(), used.end(), second,
                          [](const UsedSeconds& run, int64_t s) { return run.last < s; });
}

// Joins the two neighbours whose joining gives up the least room until at
// most `most` runs are left.
void Coarsen(std::vector<UsedSeconds>& used, size_t most) {
  while (used.size() > most) {
    size_t best = 0;
    double best_cost = 0;
    for (size_t i = 0; i + 1 < used.size(); ++i) {
      const UsedSeconds& a = used[i];
      const UsedSeconds& b = used[i + 1];
      double top = std::max(a.top, b.top);
      double cost = (static_cast<double>(b.last) - a.first + 1) * top -
                    (static_cast<double>(a.last) - a.first + 1) * a.top -
                    (static_cast<double>(b.last) - b.first + 1) * b.top;
      if (i == 0 || cost < best_cost) {
        best = i;
        best_cost = cost;
      }
    }
    used[best].last = used[best + 1].last;
    used[best].top = std::max(used[best].top, used[best + 1].top);
    used.erase(used.begin() + static_cast<std::ptrdiff_t>(best) + 1);
  }
}

// Notes that `second` has given its milliseconds below `top`.
void Raise(std::vector<UsedSeconds>& used, int64_t second, int32_t top) {
  auto at = RunAt(used, second);
  size_t index = static_cast<size_t>(at - used.begin());
  if (at != used.end() && at->first <= second) {
    if (at->top >= top) return;
    // The second leaves its run for one of its own.
    UsedSeconds run = *at;
    std::vector<UsedSeconds> parts;
    if (run.first < second) parts.push_back({run.first, second - 1, run.top});
    parts.push_back({second, second, top});
    if (second < run.last) parts.push_back({second + 1, run.last, run.top});
    used.erase(used.begin() + static_cast<std::ptrdiff_t>(index));
    used.insert(used.begin() + static_cast<std::ptrdiff_t>(index), parts.begin(), parts.end());
    if (run.first < second) ++index;
  } else if (index > 0 && used[index - 1].top == top) {
    // A run of seconds used alike reaches over the unused ones between:
    // an ordinary log stays one run.
    used[index - 1].last = second;
    --index;
  } else {
    used.insert(used.begin() + static_cast<std::ptrdiff_t>(index), {second, second, top});
  }
  // Neighbours of one top are one run.
  if (index + 1 < used.size() && used[index + 1].top == used[index].top &&
      used[index + 1].first == used[index].last + 1) {
    used[index].last = used[index + 1].last;
    used.erase(used.begin() + static_cast<std::ptrdiff_t>(index) + 1);
  }
  if (index > 0 && used[index - 1].top == used[index].top &&
      used[index - 1].last + 1 == used[index].first) {
    used[index - 1].last = used[index].last;
    used.erase(used.begin() + static_cast<std::ptrdiff_t>(index));
  }
  Coarsen(used, StampMemory::kMostRuns);
}

}  // namespace

// A reading takes the first millisecond of its second that no reading took
// before it: readings of one second follow each other in file order, also
// when the stamps go back to a second already used. A second with no room
// left (a thousand readings) passes it to the first later second with room.
int64_t Stamper::Place(int64_t second) const {
  const std::vector<UsedSeconds>& used = memory_.used;
  for (auto run = RunAt(used, second);; ++run) {
    if (run == used.end() || run->first > second) return second * 1000;
    if (run->top < kFull) return second * 1000 + run->top;
    second = run->last + 1;
  }
}

void Stamper::Given(int64_t millisecond) {
  StampMemory& m = memory_;
  m.highest = m.highest == StampMemory::kNone ? millisecond : std::max(m.highest, millisecond);
  int64_t second = FloorDivide(millisecond, 1000);
  Raise(m.used, second, static_cast<int32_t>(millisecond - second * 1000 + 1));
}

int64_t Stamper::Unstamped(int64_t now_milliseconds) {
  int64_t millisecond = memory_.highest != StampMemory::kNone
                            ? std::max(now_milliseconds, memory_.highest + 1)
                            : now_milliseconds;
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
