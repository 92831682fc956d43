#include "watcher/log_reading.hpp"

#include <cstring>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string_view NumberText(std::string_view text) {
  size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  text.remove_prefix(start);
  size_t i = 0;
  if (text[0] == '&') {
    // &H1F, &O17, &B101, &17: the letters and digits after the "&".
    i = 1;
    while (i < text.size() && IsAlnum(text[i])) ++i;
    return text.substr(0, i);
  }
  if (text[i] == '+' || text[i] == '-') ++i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  if (i < text.size() && text[i] != 0 && std::strchr("eEdD", text[i]) != nullptr) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < text.size() && IsDigit(text[e])) {
      while (e < text.size() && IsDigit(text[e])) ++e;
      i = e;
    }
  }
  return text.substr(0, i);
}

std::string_view StampTime::Of(const Record& record) {
  std::memcpy(text_, record.date.data(), 10);
  text_[10] = 'T';
  std::memcpy(text_ + 11, record.time.data(), 8);
  return std::string_view(text_, sizeof text_);
}
