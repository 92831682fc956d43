#include <time.h>
#include <unistd.h>

#include <climits>

#include "services/time/local_zone.hpp"

bool UtcFields(int64_t seconds, std::tm& fields) {
  time_t time = static_cast<time_t>(seconds);
  return gmtime_r(&time, &fields) != nullptr;
}

bool LocalFields(int64_t seconds, std::tm& fields) {
  time_t time = static_cast<time_t>(seconds);
  return localtime_r(&time, &fields) != nullptr;
}

bool LocalFieldsToUtc(std::tm fields, int64_t& seconds) {
  time_t found = mktime(&fields);
  if (found == static_cast<time_t>(-1)) return false;
  seconds = found;
  return true;
}

std::string MachineName() {
  char name[HOST_NAME_MAX + 1] = "";
  if (gethostname(name, sizeof name) != 0) return {};
  name[HOST_NAME_MAX] = '\0';
  return name;
}
