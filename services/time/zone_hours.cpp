#include "services/time/zone_hours.hpp"

#include "services/time/floor_divide.hpp"

bool ZoneHours::Learn(int64_t start, int64_t length) {
  // Asking the zone rules costs; their answer holds for a whole day or hour
  // when it is the same at both ends (no change falls inside, nor two).
  int64_t first[2], last[2];
  int first_count = rules_(start, first);
  int last_count = rules_(start + length - 1, last);
  bool same = first_count == last_count && first[0] - start == last[0] - (start + length - 1) &&
              (first_count == 1 || first[1] - start == last[1] - (start + length - 1));
  if (!same) return false;
  cached_start_ = start;
  cached_length_ = length;
  cached_count_ = first_count;
  for (int i = 0; i < first_count; ++i) cached_offsets_[i] = start - first[i];
  return true;
}

int ZoneHours::Convert(int64_t local_seconds, int64_t utc[2]) {
  if (cached_count_ == 0 || local_seconds < cached_start_ ||
      local_seconds - cached_start_ >= cached_length_) {
    cached_count_ = 0;
    if (!Learn(FloorDivide(local_seconds, 86400) * 86400, 86400) &&
        !Learn(FloorDivide(local_seconds, 3600) * 3600, 3600)) {
      // The hour of a change: every reading in it asks.
      return rules_(local_seconds, utc);
    }
  }
  for (int i = 0; i < cached_count_; ++i) utc[i] = local_seconds - cached_offsets_[i];
  return cached_count_;
}

int64_t PickOccurrence(int count, const int64_t utc[2], int64_t local_seconds, int64_t& last_local,
                       bool& second_occurrence) {
  if (count < 2) {
    second_occurrence = false;
  } else if (last_local != INT64_MIN && local_seconds < last_local) {
    second_occurrence = true;
  }
  last_local = local_seconds;
  return utc[count == 2 && second_occurrence ? 1 : 0];
}
