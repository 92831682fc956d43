#include <time.h>
#include <windows.h>

#include <string>

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
