#include "services/time/local_zone.hpp"

#include <utility>

namespace {

// The UTC second that `local` stands for with daylight saving time on or off,
// when the zone really shows that wall time with that flag.
bool TryFlag(int64_t local_seconds, int dst, int64_t& utc) {
  std::tm wall;
  if (!UtcFields(local_seconds, wall)) return false;
  std::tm guess = wall;
  guess.tm_isdst = dst;
  int64_t found;
  std::tm back;
  if (!LocalFieldsToUtc(guess, found) || !LocalFields(found, back)) return false;
  if (back.tm_isdst != dst || back.tm_year != wall.tm_year || back.tm_yday != wall.tm_yday ||
      back.tm_hour != wall.tm_hour || back.tm_min != wall.tm_min || back.tm_sec != wall.tm_sec) {
    return false;
  }
  utc = found;
  return true;
}

}  // namespace

int LocalToUtc(int64_t local_seconds, int64_t utc[2]) {
  int count = 0;
  int64_t found;
  for (int dst : {0, 1}) {
    if (TryFlag(local_seconds, dst, found) && (count == 0 || found != utc[0])) utc[count++] = found;
  }
  if (count == 2 && utc[1] < utc[0]) std::swap(utc[0], utc[1]);
  if (count > 0) return count;
  // A skipped wall time: mktime moves it forward by the change.
  std::tm wall{};
  UtcFields(local_seconds, wall);
  wall.tm_isdst = -1;
  int64_t moved;
  utc[0] = LocalFieldsToUtc(wall, moved) ? moved : local_seconds;
  return 1;
}
