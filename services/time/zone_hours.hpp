#pragma once
// Local stamps to UTC seconds, asked of the zone rules once per local day
// (per hour on the day of a change), and the rule for the hour repeated when
// daylight saving time ends.
#include <climits>
#include <cstdint>

class ZoneHours {
 public:
  using ZoneRules = int (*)(int64_t local_seconds, int64_t utc[2]);
  explicit ZoneHours(ZoneRules rules) : rules_(rules) {}
  // As the rules answer (1 or 2 seconds, earliest first).
  int Convert(int64_t local_seconds, int64_t utc[2]);

 private:
  bool Learn(int64_t start, int64_t length);

  ZoneRules rules_;
  // The rules of the last local day or hour, when they hold for all of it.
  int64_t cached_start_ = 0;
  int64_t cached_length_ = 0;
  int cached_count_ = 0;
  int64_t cached_offsets_[2] = {0, 0};
};

// Which of the UTC seconds a stamp of the repeated hour stands for: the
// first, until the stamps go back inside that hour, then the second.
// `last_local` and `second_occurrence` carry over from stamp to stamp
// (`last_local` INT64_MIN before the first).
int64_t PickOccurrence(int count, const int64_t utc[2], int64_t local_seconds,
                       int64_t& last_local, bool& second_occurrence);
