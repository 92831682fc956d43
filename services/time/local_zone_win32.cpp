#include <time.h>
#include <wchar.h>
#include <windows.h>

#include <string>

#include "services/time/local_zone.hpp"

// Through the zone's own rules for each year: the C runtime applies this
// year's rules to every year, and with TZ set it uses US transition dates
// for every zone. TZ counts only when it names a Windows zone. The rules of
// a year (GetTimeZoneInformationForYear) go to the calls without Ex, as the
// Ex calls do inside; Wine 8 has no Ex calls.

namespace {

constexpr int64_t kEpochInFileTime = 11644473600LL;  // 1601 to 1970, seconds

bool ZoneNamed(const std::wstring& name, DYNAMIC_TIME_ZONE_INFORMATION& zone) {
  for (DWORD i = 0;; ++i) {
    DYNAMIC_TIME_ZONE_INFORMATION candidate = {};
    if (EnumDynamicTimeZoneInformation(i, &candidate) != ERROR_SUCCESS) return false;
    if (_wcsicmp(candidate.TimeZoneKeyName, name.c_str()) == 0) {
      zone = candidate;
      return true;
    }
  }
}

// Read once: the zone does not change during a run.
const DYNAMIC_TIME_ZONE_INFORMATION& Zone() {
  static const DYNAMIC_TIME_ZONE_INFORMATION zone = [] {
    DYNAMIC_TIME_ZONE_INFORMATION found = {};
    wchar_t name[128];
    DWORD size = GetEnvironmentVariableW(L"TZ", name, 128);
    if (size > 0 && size < 128 && ZoneNamed(name, found)) return found;
    found = {};
    GetDynamicTimeZoneInformation(&found);
    return found;
  }();
  return zone;
}

bool ToSystemTime(int64_t seconds, SYSTEMTIME& time) {
  if (seconds < -kEpochInFileTime) return false;
  uint64_t ticks = static_cast<uint64_t>(seconds + kEpochInFileTime) * 10000000ull;
  FILETIME file = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  return FileTimeToSystemTime(&file, &time) != FALSE;
}

bool FromSystemTime(const SYSTEMTIME& time, int64_t& seconds) {
  FILETIME file;
  if (!SystemTimeToFileTime(&time, &file)) return false;
  uint64_t ticks = (static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
  seconds = static_cast<int64_t>(ticks / 10000000ull) - kEpochInFileTime;
  return true;
}

bool RulesOf(int year, TIME_ZONE_INFORMATION& rules) {
  DYNAMIC_TIME_ZONE_INFORMATION zone = Zone();
  return GetTimeZoneInformationForYear(static_cast<USHORT>(year), &zone, &rules) != FALSE;
}

// Minutes to add to local time for UTC, standard or daylight, in `year`.
bool Biases(int year, LONG& standard, LONG& daylight, bool& has_daylight) {
  TIME_ZONE_INFORMATION rules = {};
  if (!RulesOf(year, rules)) return false;
  standard = rules.Bias + rules.StandardBias;
  daylight = rules.Bias + rules.DaylightBias;
  has_daylight = rules.DaylightDate.wMonth != 0 && rules.DaylightBias != rules.StandardBias;
  return true;
}

}  // namespace

bool UtcFields(int64_t seconds, std::tm& fields) {
  __time64_t time = seconds;
  return _gmtime64_s(&fields, &time) == 0;
}

bool LocalFields(int64_t seconds, std::tm& fields) {
  SYSTEMTIME utc, local;
  TIME_ZONE_INFORMATION rules = {};
  int64_t local_seconds;
  if (!ToSystemTime(seconds, utc) || !RulesOf(utc.wYear, rules) ||
      !SystemTimeToTzSpecificLocalTime(&rules, &utc, &local)) {
    return false;
  }
  // Near New Year the local year may be the other one.
  if (local.wYear != utc.wYear &&
      (!RulesOf(local.wYear, rules) || !SystemTimeToTzSpecificLocalTime(&rules, &utc, &local))) {
    return false;
  }
  if (!FromSystemTime(local, local_seconds) || !UtcFields(local_seconds, fields)) return false;
  LONG standard = 0, daylight = 0;
  bool has_daylight = false;
  fields.tm_isdst = Biases(local.wYear, standard, daylight, has_daylight) && has_daylight &&
                    seconds - local_seconds == static_cast<int64_t>(daylight) * 60;
  return true;
}

bool LocalFieldsToUtc(std::tm fields, int64_t& seconds) {
  // Normalised as mktime would, then counted as if UTC (which clears the
  // flag: kept first).
  int dst = fields.tm_isdst;
  __time64_t as_utc = _mkgmtime64(&fields);
  if (as_utc == -1) return false;
  int64_t local_seconds = as_utc;
  if (dst >= 0) {
    LONG standard = 0, daylight = 0;
    bool has_daylight = false;
    if (!Biases(fields.tm_year + 1900, standard, daylight, has_daylight)) return false;
    LONG bias = dst > 0 && has_daylight ? daylight : standard;
    seconds = local_seconds + static_cast<int64_t>(bias) * 60;
    return true;
  }
  SYSTEMTIME local, utc;
  TIME_ZONE_INFORMATION rules = {};
  if (!ToSystemTime(local_seconds, local) || !RulesOf(local.wYear, rules) ||
      !TzSpecificLocalTimeToSystemTime(&rules, &local, &utc) || !FromSystemTime(utc, seconds)) {
    return false;
  }
  // A wall time the zone skips: with the offset before the change, as
  // mktime takes it (the call itself differs between systems).
  std::tm back;
  if (LocalFields(seconds, back) && _mkgmtime64(&back) == as_utc) return true;
  LONG standard = 0, daylight = 0;
  bool has_daylight = false;
  if (!Biases(local.wYear, standard, daylight, has_daylight)) return false;
  seconds = local_seconds + static_cast<int64_t>(standard > daylight ? standard : daylight) * 60;
  return true;
}

// The DNS host name, as on Linux; the NetBIOS name is upper case and cut to
// 15 characters.
std::string MachineName() {
  DWORD size = 0;
  GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetComputerNameExW(ComputerNameDnsHostname, name.data(), &size)) return {};
  name.resize(size);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr,
                                  0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), text.data(), bytes,
                        nullptr, nullptr);
  }
  return text;
}
