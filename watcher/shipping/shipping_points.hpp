#pragma once
// Readings as line-protocol points: `<measurement>,<tags> value=<v> <ms>`.
// A reading's millisecond depends only on the log: its stamp through the
// time-zone rules, plus one for each earlier reading of the same second.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "services/time/zone_hours.hpp"

// The measurement and tags as they open every point, escaped; false with a
// message when a name cannot be written in the line protocol.
bool PointPrefix(std::string_view measurement,
                 std::vector<std::pair<std::string, std::string>> tags, std::string& prefix,
                 std::string& error);

// What the millisecond rule remembers from one reading to the next; the
// state file keeps it beside the position, so a restart in the middle of a
// second or of the repeated hour goes on exactly.
struct StampMemory {
  static constexpr int64_t kNone = std::numeric_limits<int64_t>::min();
  int64_t last_local = kNone;        // the last stamp as written, seconds counted as if UTC
  bool second_occurrence = false;    // inside the repeated hour, after the stamps went back
  int64_t last_second = kNone;       // UTC second of the last point
  int64_t last_millisecond = kNone;  // UTC millisecond given to the last point
  bool operator==(const StampMemory&) const = default;
};

// Local stamps to UTC milliseconds. The zone rules are a seam for tests.
class Stamper {
 public:
  using ZoneRules = int (*)(int64_t local_seconds, int64_t utc[2]);
  explicit Stamper(ZoneRules rules);
  StampMemory& memory() { return memory_; }
  // A stamped reading.
  int64_t Stamped(int64_t local_seconds);
  // A reading without stamp, read at `now_milliseconds` (UTC).
  int64_t Unstamped(int64_t now_milliseconds);

 private:
  ZoneHours zone_;
  StampMemory memory_;
};

// Appends one point; false (nothing appended) for a value the line protocol
// cannot carry (infinite or not a number).
bool AppendPoint(std::string& body, std::string_view prefix, double value, int64_t millisecond);
