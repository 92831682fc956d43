#pragma once
// How one input line is sorted: blank, semicolon line, cut at a semicolon, or
// ordinary. Pure and inline: it runs once per line of the pass.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

// Blanks are counted eight bytes at a time: indents and all-blank lines of
// every length cost one branch instead of one per blank.
constexpr uint64_t kEightBlanks = 0x2020202020202020ULL;

inline uint64_t LoadEight(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word ^ kEightBlanks;  // zero bytes where the blanks are
}

inline size_t LeadingBlanks(const char* text, size_t size) {
  size_t i = 0;
  for (; size - i >= 8; i += 8) {
    if (uint64_t other = LoadEight(text + i)) {
      int bits = std::endian::native == std::endian::little ? std::countr_zero(other)
                                                            : std::countl_zero(other);
      return i + static_cast<size_t>(bits / 8);
    }
  }
  while (i < size && text[i] == ' ') ++i;
  return i;
}

// The length without the blanks at the end.
inline size_t WithoutTrailingBlanks(const char* text, size_t size) {
  size_t end = size;
  for (; end >= 8; end -= 8) {
    if (uint64_t other = LoadEight(text + end - 8)) {
      int bits = std::endian::native == std::endian::little ? std::countl_zero(other)
                                                            : std::countr_zero(other);
      return end - static_cast<size_t>(bits / 8);
    }
  }
  while (end > 0 && text[end - 1] == ' ') --end;
  return end;
}

enum class LineKind { kBlank, kSemicolon, kCut, kOrdinary };

struct LineVerdict {
  LineKind kind;
  std::string_view output;    // for the output file: ordinary and cut lines
  std::string_view stripped;  // for the stripped-lines file: semicolon and cut lines
};

inline LineVerdict SortLine(std::string_view line, bool all_lines, bool split_line) {
  const char* text = line.data();
  size_t size = line.size();
  size_t first = LeadingBlanks(text, size);
  if (first == size) return {LineKind::kBlank, {}, {}};
  size_t end = WithoutTrailingBlanks(text, size);
  std::string_view trimmed(text, end);
  if (text[first] == ';') return {LineKind::kSemicolon, {}, trimmed};
  if (all_lines || split_line) {
    // Only blanks lie before `first` and after `end`.
    const void* found = std::memchr(text + first, ';', end - first);
    if (found != nullptr) {
      if (all_lines) return {LineKind::kSemicolon, {}, trimmed};
      size_t cut = WithoutTrailingBlanks(text, static_cast<const char*>(found) - text);
      return {LineKind::kCut, std::string_view(text, cut), trimmed};
    }
  }
  return {LineKind::kOrdinary, trimmed, {}};
}
