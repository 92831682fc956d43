#pragma once
// Text rules the logger's settings follow: only blanks are trimmed (tabs are
// data), and case conversion touches ASCII letters only.
#include <string>
#include <string_view>

inline std::string TrimBlanks(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

inline std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}
