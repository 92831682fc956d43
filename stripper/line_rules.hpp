#pragma once
// How one input line is sorted: blank, semicolon line, cut at a semicolon, or
// ordinary. Pure and inline: it runs once per line of the pass.
#include <cstring>
#include <string_view>

enum class LineKind { kBlank, kSemicolon, kCut, kOrdinary };

struct LineVerdict {
  LineKind kind;
  std::string_view output;    // for the output file: ordinary and cut lines
  std::string_view stripped;  // for the stripped-lines file: semicolon and cut lines
};

inline LineVerdict SortLine(std::string_view line, bool all_lines, bool split_line) {
  const char* text = line.data();
  size_t size = line.size();
  size_t first = 0;
  while (first < size && text[first] == ' ') ++first;
  if (first == size) return {LineKind::kBlank, {}, {}};
  size_t end = size;
  while (text[end - 1] == ' ') --end;
  std::string_view trimmed(text, end);
  if (text[first] == ';') return {LineKind::kSemicolon, {}, trimmed};
  if (all_lines || split_line) {
    // Only blanks lie before `first` and after `end`.
    const void* found = std::memchr(text + first, ';', end - first);
    if (found != nullptr) {
      if (all_lines) return {LineKind::kSemicolon, {}, trimmed};
      size_t cut = static_cast<const char*>(found) - text;
      while (cut > 0 && text[cut - 1] == ' ') --cut;
      return {LineKind::kCut, std::string_view(text, cut), trimmed};
    }
  }
  return {LineKind::kOrdinary, trimmed, {}};
}
