#include "services/console/key_decoder.hpp"

#include <array>
#include <string_view>

namespace {

constexpr unsigned char kEsc = 0x1B;
// Long enough for any key a terminal sends; longer runs are not keys.
constexpr size_t kMaxParams = 16;

// clang-format off
enum Key {
  kUp, kDown, kRight, kLeft, kHome, kEnd, kPageUp, kPageDown, kInsert, kDelete,
  kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF9, kF10, kF11, kF12, kNoKey
};
// clang-format on

// Scan codes by modifier column: plain, Shift, Ctrl, Alt.
struct ScanRow {
  int plain, shift, ctrl, alt;
};
// clang-format off
constexpr std::array<ScanRow, kNoKey> kScanTable = {{
    {72, 72, 141, 152}, {80, 80, 145, 160}, {77, 77, 116, 157}, {75, 75, 115, 155},  // arrows
    {71, 71, 119, 151}, {79, 79, 117, 159}, {73, 73, 132, 153}, {81, 81, 118, 161},  // home..pgdn
    {82, 82, 146, 162}, {83, 83, 147, 163},                                          // ins, del
    {59, 84, 94, 104}, {60, 85, 95, 105}, {61, 86, 96, 106}, {62, 87, 97, 107},      // F1-F4
    {63, 88, 98, 108}, {64, 89, 99, 109}, {65, 90, 100, 110}, {66, 91, 101, 111},    // F5-F8
    {67, 92, 102, 112}, {68, 93, 103, 113}, {133, 135, 137, 139}, {134, 136, 138, 140},
}};
// clang-format on

// PC scan codes of the letters a..z, for Alt+letter.
constexpr std::array<int, 26> kLetterScan = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                             49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
// Shift+Tab is the only key with a scan code of its own among the rest.
constexpr int kShiftTabScan = 15;
constexpr int kAltEscapeScan = 1;
constexpr int kAltLeftBracketScan = 26;

// The Alt column for the unshifted keys of a US keyboard that are not
// letters; a byte without an entry has no Alt code.
struct AltKey {
  unsigned char byte;
  int scan;
};
// clang-format off
constexpr AltKey kAltKeys[] = {
    {'1', 120}, {'2', 121}, {'3', 122}, {'4', 123}, {'5', 124}, {'6', 125}, {'7', 126},
    {'8', 127}, {'9', 128}, {'0', 129}, {'-', 130}, {'=', 131}, {'[', 26},  {']', 27},
    {';', 39},  {'\'', 40}, {'`', 41},  {'\\', 43}, {',', 51},  {'.', 52},  {'/', 53},
    {'\r', 28}, {'\t', 165}, {0x7F, 14}, {0x08, 14},  // Enter, Tab, Backspace (either byte)
};
// clang-format on
// Ctrl+@ sends NUL; the PC keyboard gives Ctrl+2 for it.
constexpr int kCtrlAtScan = 3;

// 0 when the key has no Alt code.
int AltScan(unsigned char c) {
  for (const AltKey& k : kAltKeys) {
    if (k.byte == c) return k.scan;
  }
  return 0;
}

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
int LetterScan(unsigned char c) {
  return kLetterScan[(c | 0x20) - 'a'];
}
bool IsFinal(unsigned char c) {
  return c >= 0x40 && c <= 0x7E;
}
bool IsParam(unsigned char c) {
  return c >= 0x30 && c <= 0x3F;
}
bool IsIntermediate(unsigned char c) {
  return c >= 0x20 && c <= 0x2F;
}

// The first two numbers of "a;b;..."; a missing number reads as 0. Numbers
// beyond any key's are capped rather than overflowing.
std::array<int, 2> FirstTwo(const std::string& params) {
  std::array<int, 2> out{0, 0};
  size_t field = 0;
  for (char c : params) {
    if (c == ';') {
      if (++field == out.size()) break;
    } else if (c >= '0' && c <= '9' && out[field] < 1000) {
      out[field] = out[field] * 10 + (c - '0');
    }
  }
  return out;
}

// The xterm modifier parameter is 1 + a bit set: 1 Shift, 2 Alt, 4 Ctrl,
// 8 Meta. The PC keyboard picks Alt first, then Ctrl, then Shift.
int ScanFor(Key key, int modifier) {
  const ScanRow& row = kScanTable[key];
  int bits = modifier > 1 ? modifier - 1 : 0;
  if (bits & (2 | 8)) return row.alt;
  if (bits & 4) return row.ctrl;
  if (bits & 1) return row.shift;
  return row.plain;
}

// Final letters of CSI and SS3 keys.
Key LetterKey(unsigned char c) {
  constexpr std::string_view kLetters = "ABCDHFPQRS";
  constexpr Key kKeys[] = {kUp, kDown, kRight, kLeft, kHome, kEnd, kF1, kF2, kF3, kF4};
  size_t at = kLetters.find(static_cast<char>(c));
  return at == std::string_view::npos ? kNoKey : kKeys[at];
}

// The number before "~": vt220 editing keys and function keys.
Key TildeKey(int number) {
  // clang-format off
  constexpr Key kKeys[] = {
      kNoKey, kHome, kInsert, kDelete, kEnd, kPageUp, kPageDown, kHome, kEnd, kNoKey,  // 0-9
      kNoKey, kF1, kF2, kF3, kF4, kF5, kNoKey, kF6, kF7, kF8,                           // 10-19
      kF9, kF10, kNoKey, kF11, kF12};                                                   // 20-24
  // clang-format on
  constexpr int kCount = sizeof kKeys / sizeof kKeys[0];
  return number >= 0 && number < kCount ? kKeys[number] : kNoKey;
}

}  // namespace

void KeyDecoder::Feed(std::string_view bytes, std::vector<int>& keys) {
  for (char c : bytes) FeedByte(static_cast<unsigned char>(c), keys);
}

void KeyDecoder::Flush(std::vector<int>& keys) {
  switch (state_) {
    case State::kEscape:
      keys.push_back(kEsc);
      break;
    case State::kEscapeEscape:
      keys.push_back(ExtendedKey(kAltEscapeScan));
      break;
    case State::kSs3:
      if (!params_.empty()) break;
      if (alt_) keys.push_back(ExtendedKey(kAltEscapeScan));
      keys.push_back(ExtendedKey(LetterScan('o')));
      break;
    case State::kCsi:
      if (!params_.empty() || odd_) break;
      if (alt_) keys.push_back(ExtendedKey(kAltEscapeScan));
      keys.push_back(ExtendedKey(kAltLeftBracketScan));
      break;
    default:
      break;
  }
  state_ = State::kGround;
}

void KeyDecoder::FeedByte(unsigned char byte, std::vector<int>& keys) {
  switch (state_) {
    case State::kGround:
      if (byte == kEsc) {
        state_ = State::kEscape;
      } else {
        keys.push_back(byte == 0 ? ExtendedKey(kCtrlAtScan) : byte);
      }
      return;

    case State::kEscape:
      params_.clear();
      odd_ = false;
      alt_ = false;
      if (byte == '[') {
        state_ = State::kCsi;
      } else if (byte == 'O') {
        state_ = State::kSs3;
      } else if (byte == kEsc) {
        state_ = State::kEscapeEscape;
      } else {
        // Terminals send Alt+key as Escape then the key.
        int scan = IsLetter(byte) ? LetterScan(byte) : AltScan(byte);
        if (scan != 0) keys.push_back(ExtendedKey(scan));
        state_ = State::kGround;
      }
      return;

    case State::kEscapeEscape:
      // Some terminals send Alt with a cursor or function key as Escape then
      // the key's own sequence.
      alt_ = true;
      if (byte == '[') {
        state_ = State::kCsi;
      } else if (byte == 'O') {
        state_ = State::kSs3;
      } else {
        keys.push_back(ExtendedKey(kAltEscapeScan));
        state_ = State::kGround;
        FeedByte(byte, keys);
      }
      return;

    case State::kLinuxFunction:
      // The Linux console sends F1-F5 as ESC [ [ A to ESC [ [ E.
      state_ = State::kGround;
      if (byte >= 'A' && byte <= 'E') {
        keys.push_back(ExtendedKey(ScanFor(static_cast<Key>(kF1 + byte - 'A'), alt_ ? 3 : 1)));
      } else if (byte < 0x20 || byte > 0x7E) {
        FeedByte(byte, keys);
      }
      return;

    case State::kCsi:
    case State::kSs3:
      if (byte == '[' && state_ == State::kCsi && params_.empty() && !odd_) {
        state_ = State::kLinuxFunction;
      } else if (IsParam(byte)) {
        if (params_.size() < kMaxParams) {
          params_.push_back(static_cast<char>(byte));
        } else {
          odd_ = true;
        }
      } else if (IsIntermediate(byte)) {
        odd_ = true;
      } else if (IsFinal(byte)) {
        Finish(byte, keys);
        state_ = State::kGround;
      } else {
        // A control byte breaks the sequence off; the byte is a key itself.
        state_ = State::kGround;
        FeedByte(byte, keys);
      }
      return;
  }
}

void KeyDecoder::Finish(unsigned char final_byte, std::vector<int>& keys) {
  if (odd_) return;
  bool private_marker = !params_.empty() && (params_[0] < '0' || params_[0] > ';');
  if (private_marker) return;
  std::array<int, 2> numbers = FirstTwo(params_);
  Key key = kNoKey;
  int modifier = 1;
  if (final_byte == '~' && state_ == State::kCsi) {
    key = TildeKey(numbers[0]);
    modifier = numbers[1];
  } else if (final_byte == 'Z' && state_ == State::kCsi) {
    keys.push_back(ExtendedKey(alt_ ? AltScan('\t') : kShiftTabScan));
    return;
  } else {
    key = LetterKey(final_byte);
    // "1;5A" carries the modifier second; some terminals send SS3 "5P".
    modifier = params_.find(';') != std::string::npos ? numbers[1] : numbers[0];
  }
  if (key == kNoKey) return;
  if (alt_) modifier = 3;
  keys.push_back(ExtendedKey(ScanFor(key, modifier)));
}
