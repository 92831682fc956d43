#include "watcher/screen_text.hpp"

namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Bytes of the character at the start of `text` when it is kept as it is, 0
// when it shows as '?'.
size_t KeptLength(std::string_view text) {
  auto first = static_cast<unsigned char>(text[0]);
  if (first >= 0x20 && first < 0x7F) return 1;
  if (first >= 0xC2 && first <= 0xDF && text.size() >= 2 &&
      IsContinuation(static_cast<unsigned char>(text[1])))
    return 2;
  return 0;
}

}  // namespace

std::string FitCells(std::string_view text, int columns) {
  std::string fitted;
  for (int cells = 0; cells < columns && !text.empty(); ++cells) {
    size_t length = KeptLength(text);
    if (length == 0) {
      fitted += '?';
      length = 1;
      // The rest of a broken or wide character is the same one '?'.
      while (length < text.size() && IsContinuation(static_cast<unsigned char>(text[length])))
        ++length;
    } else {
      fitted.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return fitted;
}

int CellCount(std::string_view text) {
  int cells = 0;
  for (char byte : text) {
    if (!IsContinuation(static_cast<unsigned char>(byte))) ++cells;
  }
  return cells;
}
