#include <time.h>
#include <unistd.h>

#include <climits>
#include <utility>

#include "services/local_zone.hpp"

namespace {

// The UTC second that `local` stands for with daylight saving time on or off,
// when the zone really shows that wall time with that flag.
bool TryFlag(int64_t local_seconds, int dst, int64_t& utc) {
  time_t as_utc = static_cast<time_t>(local_seconds);
  tm wall;
  if (!gmtime_r(&as_utc, &wall)) return false;
  tm guess = wall;
  guess.tm_isdst = dst;
  time_t found = mktime(&guess);
  tm back;
  if (found == static_cast<time_t>(-1) || !localtime_r(&found, &back)) return false;
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
  time_t as_utc = static_cast<time_t>(local_seconds);
  tm wall;
  gmtime_r(&as_utc, &wall);
  wall.tm_isdst = -1;
  time_t moved = mktime(&wall);
  utc[0] = moved == static_cast<time_t>(-1) ? local_seconds : static_cast<int64_t>(moved);
  return 1;
}

std::string MachineName() {
  char name[HOST_NAME_MAX + 1] = "";
  if (gethostname(name, sizeof name) != 0) return {};
  name[HOST_NAME_MAX] = '\0';
  return name;
}
