#include "plotter/chart_text.hpp"

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// Invisible, and keeps "]]" from meeting ">".
constexpr std::string_view kZeroWidthSpace = "\xE2\x80\x8B";

bool Continues(unsigned char c, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return c >= low && c <= high;
}

// The length of the valid sequence at `at`, or 0; `bad` is then the length
// of its longest valid beginning (at least 1), which one U+FFFD stands for.
size_t SequenceLength(std::string_view s, size_t at, size_t& bad) {
  const auto c = static_cast<unsigned char>(s[at]);
  bad = 1;
  if (c < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if (at + i >= s.size()) return 0;
    const auto next = static_cast<unsigned char>(s[at + i]);
    if (i == 1 ? !Continues(next, low, high) : !Continues(next)) return 0;
    bad = i + 1;
  }
  return length;
}

}  // namespace

std::string ChartText(std::string_view text, ChartFormat format) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t bad = 1;
    size_t length = SequenceLength(text, i, bad);
    if (length == 0) {
      out += kReplacement;
      i += bad;
      continue;
    }
    std::string_view sequence = text.substr(i, length);
    i += length;
    if (length == 1) {
      char c = sequence[0];
      if (c == '\t' || c == '\n' || c == '\r' || c == 127) {
        out += ' ';
      } else if (static_cast<unsigned char>(c) >= 32) {
        if (c == '>' && format == ChartFormat::kSvg && out.ends_with("]]")) out += kZeroWidthSpace;
        out += c;
      }
    } else if (sequence != "\xEF\xBF\xBE" && sequence != "\xEF\xBF\xBF") {
      out += sequence;  // U+FFFE and U+FFFF are no characters to XML
    }
  }
  return out;
}
