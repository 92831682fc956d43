#pragma once
// Readings as line-protocol points: `<measurement>,<tags> value=<v> <ms>`.
// A reading's millisecond depends only on the log: its stamp through the
// time-zone rules, then the first millisecond of its second that no earlier
// reading took (see Stamper::Place), so no two readings ever become one
// point.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The measurement and tags as they open every point, escaped (of a key given
// more than once, the last value counts); false with a message when a name
// cannot be written in the line protocol.
bool PointPrefix(std::string_view measurement,
                 std::vector<std::pair<std::string, std::string>> tags, std::string& prefix,
                 std::string& error);

// Seconds `first` to `last` have given no millisecond at or above `top`
// within them (1000: full).
struct UsedSeconds {
  int64_t first;
  int64_t last;
  int32_t top;
  bool operator==(const UsedSeconds&) const = default;
};

// What the millisecond rule remembers from one reading to the next; the
// state file keeps it beside the position, so a restart in the middle of a
// second or of the repeated hour goes on exactly.
struct StampMemory {
  static constexpr int64_t kNone = std::numeric_limits<int64_t>::min();
  // At most this many runs of seconds are told apart; past it, neighbours
  // are joined under the higher top, which costs room, never a point.
  static constexpr size_t kMostRuns = 64;
  int64_t last_local = kNone;      // the last stamp as written, seconds counted as if UTC
  bool second_occurrence = false;  // inside the repeated hour, after the stamps went back
  int64_t highest = kNone;         // the latest millisecond given to any point
  std::vector<UsedSeconds> used;   // sorted, apart from each other
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
  int Convert(int64_t local_seconds, int64_t utc[2]);
  int64_t Place(int64_t second) const;
  void Given(int64_t millisecond);
  ZoneRules rules_;
  StampMemory memory_;
  // The rules of the last local hour, when they hold for all of it.
  int64_t cached_hour_ = StampMemory::kNone;
  int cached_count_ = 0;
  int64_t cached_offsets_[2] = {0, 0};
};

// Appends one point; false (nothing appended) for a value the line protocol
// cannot carry (infinite or not a number).
bool AppendPoint(std::string& body, std::string_view prefix, double value, int64_t millisecond);
