#pragma once
// Turns the bytes a terminal sends for keys into key codes: plain bytes are
// themselves, escape sequences become the extended codes of the PC keyboard
// ((scan code << 8) | 0xFF). Knows nothing of time: the caller says when the
// input has been quiet long enough for a pending escape to stand as typed.
#include <string>
#include <string_view>
#include <vector>

class KeyDecoder {
 public:
  // Decodes the bytes that arrived; finished keys are appended to `keys`.
  void Feed(std::string_view bytes, std::vector<int>& keys);
  // Nothing more came: a lone ESC is key 27, ESC ESC Alt+Escape, ESC O and
  // ESC [ are Alt+O and Alt+[, a cut-off sequence is dropped.
  void Flush(std::vector<int>& keys);
  // True while an escape sequence is unfinished.
  bool Pending() const { return state_ != State::kGround; }

 private:
  enum class State { kGround, kEscape, kEscapeEscape, kCsi, kSs3, kLinuxFunction };
  void FeedByte(unsigned char byte, std::vector<int>& keys);
  void Finish(unsigned char final_byte, std::vector<int>& keys);

  State state_ = State::kGround;
  std::string params_;
  bool odd_ = false;  // intermediate bytes or overlong parameters: no key
  bool alt_ = false;  // the sequence came after an extra Escape
};

// The extended code for a scan code.
constexpr int ExtendedKey(int scan) {
  return (scan << 8) | 0xFF;
}
