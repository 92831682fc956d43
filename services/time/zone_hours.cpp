#include "services/time/zone_hours.hpp"

int ZoneHours::Convert(int64_t local_seconds, int64_t utc[2]) {
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

int64_t PickOccurrence(int count, const int64_t utc[2], int64_t local_seconds,
                       int64_t& last_local, bool& second_occurrence) {
  if (count < 2) {
    second_occurrence = false;
  } else if (last_local != INT64_MIN && local_seconds < last_local) {
    second_occurrence = true;
  }
  last_local = local_seconds;
  return utc[count == 2 && second_occurrence ? 1 : 0];
}
