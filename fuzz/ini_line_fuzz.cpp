// INI lines: a kept line gives a clean key and value that clean to themselves
// again; the settings they make stay within their rules; the status text has
// exactly its lines, none broken by a setting's value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/ini_keys.hpp"

namespace {

bool HasEdgeBlank(const std::string& s) {
  return s.front() == ' ' || s.back() == ' ';
}

void CheckCleaned(const std::string& original) {
  std::string line = original, key, value;
  if (!CLEANINISTR(line, key, value)) return;
  FUZZ_CHECK(!key.empty() && !value.empty());
  FUZZ_CHECK(!HasEdgeBlank(key) && !HasEdgeBlank(value));
  FUZZ_CHECK(key.find_first_of("abcdefghijklmnopqrstuvwxyz=;") == std::string::npos);
  FUZZ_CHECK(value.find(';') == std::string::npos);
  FUZZ_CHECK(original[original.find_first_not_of(' ')] != ';');
  std::string again = key + "=" + value, key2, value2;
  FUZZ_CHECK(CLEANINISTR(again, key2, value2));
  FUZZ_CHECK(key2 == key && value2 == value);
  ApplyIniSetting(key, value);
}

void CheckSettings() {
  const SettingsRecord& s = Settings;
  FUZZ_CHECK(s.EolStr == "\r\n" || s.EolStr == "\n" || s.EolStr == "\r");
  const std::string& d = s.Delimiter;
  bool blanks = !d.empty() && d.size() <= kMaxDelimiterBlanks &&
                d.find_first_not_of(' ') == std::string::npos;
  FUZZ_CHECK(blanks || d.empty() || d == "\t" || d == ", " || d == ": ");
  FUZZ_CHECK(s.ExitKey == 0 || s.ExitKey == 24 || s.ExitKey == 27 ||
             (s.ExitKey >= 32 && s.ExitKey <= 126));
  FUZZ_CHECK(s.SwitchHrs >= 0 && s.SwitchHrs <= 24);
  FUZZ_CHECK((s.ApndTime == 0 || s.ApndTime == 1) && (s.StdOut == 0 || s.StdOut == 1));
}

void CheckStatus() {
  const SettingsRecord& s = Settings;
  FUZZ_CHECK(BUILDSTATUSSTR() == s.StdOut);
  const std::string& text = s.StatusStr;
  size_t expected = 24 + (s.ApndTime != 0) + (s.FileStr.empty() ? 0 : 3);
  for (const std::string* user :
       {&s.UserStr1, &s.UserStr2, &s.UserStr3, &s.UserStr4, &s.UserStr5}) {
    expected += !user->empty();
  }
  size_t lines = 0;
  for (size_t at = 0; at < text.size(); ++lines) {
    size_t end = text.find(s.EolStr, at);
    FUZZ_CHECK(end != std::string::npos);
    // A value with a line end inside would add a line of its own.
    FUZZ_CHECK(text.substr(at, end - at).find_first_of("\r\n") == std::string::npos);
    at = end + s.EolStr.size();
  }
  FUZZ_CHECK(lines == expected);
  FUZZ_CHECK(text.find("Using Port Str: " + s.PortStr + s.EolStr) != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Settings = SettingsRecord{};
  INITALIZEGLOBALS();
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  // The INI reader ends a line at LF and at a lone CR.
  while (!rest.empty()) {
    size_t end = rest.find_first_of("\r\n");
    std::string line(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (line.find_first_not_of(' ') != std::string::npos) CheckCleaned(line);
  }
  CheckSettings();
  CheckStatus();
  return 0;
}
