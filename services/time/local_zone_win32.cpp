#include <time.h>
#include <windows.h>

#include "services/time/local_zone.hpp"

// Through the C runtime, which honours TZ as Windows programs do.

bool UtcFields(int64_t seconds, std::tm& fields) {
  __time64_t time = seconds;
  return _gmtime64_s(&fields, &time) == 0;
}

bool LocalFields(int64_t seconds, std::tm& fields) {
  __time64_t time = seconds;
  return _localtime64_s(&fields, &time) == 0;
}

bool LocalFieldsToUtc(std::tm fields, int64_t& seconds) {
  __time64_t found = _mktime64(&fields);
  if (found == -1) return false;
  seconds = found;
  return true;
}

std::string MachineName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return {};
  return std::string(name, size);
}
