#pragma once
// The line rules written the slow, obvious way, byte by byte: what the fast
// word-at-a-time rules must agree with.
#include <string>
#include <string_view>

#include "stripper/line_rules.hpp"

struct ReferenceVerdict {
  LineKind kind;
  std::string output;
  std::string stripped;
};

inline std::string ReferenceTrimEnd(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

inline ReferenceVerdict ReferenceSort(std::string_view line, bool all_lines, bool split_line) {
  size_t first = 0;
  while (first < line.size() && line[first] == ' ') ++first;
  if (first == line.size()) return {LineKind::kBlank, {}, {}};
  std::string trimmed = ReferenceTrimEnd(line);
  if (line[first] == ';') return {LineKind::kSemicolon, {}, trimmed};
  size_t semicolon = line.find(';');
  if (semicolon != std::string_view::npos && all_lines) {
    return {LineKind::kSemicolon, {}, trimmed};
  }
  if (semicolon != std::string_view::npos && split_line) {
    return {LineKind::kCut, ReferenceTrimEnd(line.substr(0, semicolon)), trimmed};
  }
  return {LineKind::kOrdinary, trimmed, {}};
}
