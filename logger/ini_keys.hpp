#pragma once
// The thirteen INI keys and the rules by which their values become settings.
#include <cstdint>
#include <string>

// Applies one setting line (key already in upper case); unknown keys and
// values a key does not understand change nothing.
void ApplyIniSetting(const std::string& key, const std::string& value);

// A numeric DELIMITER asks for at most this many blanks.
constexpr int kMaxDelimiterBlanks = 255;

// Reads every setting line of an INI file into Settings, as the logger does:
// kRunGoesOn, or the exit code of the step that failed (open, read, close)
// with its error number in `error`.
int32_t ApplyIniFile(const std::string& name, int& error);
