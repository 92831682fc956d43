#include <time.h>
#include <windows.h>

#include <utility>

#include "services/local_zone.hpp"

namespace {

// As on POSIX, through the C runtime, which honours TZ as Windows programs do.
bool TryFlag(int64_t local_seconds, int dst, int64_t& utc) {
  __time64_t as_utc = local_seconds;
  tm wall;
  if (_gmtime64_s(&wall, &as_utc) != 0) return false;
  tm guess = wall;
  guess.tm_isdst = dst;
  __time64_t found = _mktime64(&guess);
  tm back;
  if (found == -1 || _localtime64_s(&back, &found) != 0) return false;
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
  __time64_t as_utc = local_seconds;
  tm wall;
  _gmtime64_s(&wall, &as_utc);
  wall.tm_isdst = -1;
  __time64_t moved = _mktime64(&wall);
  utc[0] = moved == -1 ? local_seconds : moved;
  return 1;
}

std::string MachineName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return {};
  return std::string(name, size);
}
