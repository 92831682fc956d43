#pragma once
// The thirteen INI keys and the rules by which their values become settings.
#include <string>

// Applies one setting line (key already in upper case); unknown keys and
// values a key does not understand change nothing.
void ApplyIniSetting(const std::string& key, const std::string& value);

// A numeric DELIMITER asks for at most this many blanks.
constexpr int kMaxDelimiterBlanks = 255;
