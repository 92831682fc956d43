#include "services/console/console_events.hpp"

#include <cctype>

namespace {

struct Row {
  int plain, shift, ctrl, alt;
};

// Scan codes 0..88, the PC keyboard BIOS codes: characters as themselves,
// extended keys as scan code * 256.
constexpr Row kMainKeys[89] = {
    {0, 0, 0, 0},          // 0
    {27, 27, 27, 0x0100},  // Escape
    {'1', '!', 0, 0x7800},
    {'2', '@', 0x0300, 0x7900},
    {'3', '#', 0, 0x7A00},
    {'4', '$', 0, 0x7B00},
    {'5', '%', 0, 0x7C00},
    {'6', '^', 0x1E, 0x7D00},
    {'7', '&', 0, 0x7E00},
    {'8', '*', 0, 0x7F00},
    {'9', '(', 0, 0x8000},
    {'0', ')', 0, 0x8100},
    {'-', '_', 0x1F, 0x8200},
    {'=', '+', 0, 0x8300},
    {8, 8, 0x7F, 0x0E00},         // Backspace
    {9, 0x0F00, 0x9400, 0xA500},  // Tab
    {'q', 'Q', 0x11, 0x1000},
    {'w', 'W', 0x17, 0x1100},
    {'e', 'E', 0x05, 0x1200},
    {'r', 'R', 0x12, 0x1300},
    {'t', 'T', 0x14, 0x1400},
    {'y', 'Y', 0x19, 0x1500},
    {'u', 'U', 0x15, 0x1600},
    {'i', 'I', 0x09, 0x1700},
    {'o', 'O', 0x0F, 0x1800},
    {'p', 'P', 0x10, 0x1900},
    {'[', '{', 0x1B, 0x1A00},
    {']', '}', 0x1D, 0x1B00},
    {13, 13, 10, 0x1C00},  // Enter
    {0, 0, 0, 0},          // Ctrl
    {'a', 'A', 0x01, 0x1E00},
    {'s', 'S', 0x13, 0x1F00},
    {'d', 'D', 0x04, 0x2000},
    {'f', 'F', 0x06, 0x2100},
    {'g', 'G', 0x07, 0x2200},
    {'h', 'H', 0x08, 0x2300},
    {'j', 'J', 0x0A, 0x2400},
    {'k', 'K', 0x0B, 0x2500},
    {'l', 'L', 0x0C, 0x2600},
    {';', ':', 0, 0x2700},
    {'\'', '"', 0, 0x2800},
    {'`', '~', 0, 0x2900},
    {0, 0, 0, 0},  // Left Shift
    {'\\', '|', 0x1C, 0x2B00},
    {'z', 'Z', 0x1A, 0x2C00},
    {'x', 'X', 0x18, 0x2D00},
    {'c', 'C', 0x03, 0x2E00},
    {'v', 'V', 0x16, 0x2F00},
    {'b', 'B', 0x02, 0x3000},
    {'n', 'N', 0x0E, 0x3100},
    {'m', 'M', 0x0D, 0x3200},
    {',', '<', 0, 0x3300},
    {'.', '>', 0, 0x3400},
    {'/', '?', 0, 0x3500},
    {0, 0, 0, 0},                // Right Shift
    {'*', '*', 0x9600, 0x3700},  // keypad *
    {0, 0, 0, 0},                // Alt
    {' ', ' ', ' ', ' '},        // Space
    {0, 0, 0, 0},                // Caps Lock
    {0x3B00, 0x5400, 0x5E00, 0x6800},
    {0x3C00, 0x5500, 0x5F00, 0x6900},  // F1, F2
    {0x3D00, 0x5600, 0x6000, 0x6A00},
    {0x3E00, 0x5700, 0x6100, 0x6B00},
    {0x3F00, 0x5800, 0x6200, 0x6C00},
    {0x4000, 0x5900, 0x6300, 0x6D00},
    {0x4100, 0x5A00, 0x6400, 0x6E00},
    {0x4200, 0x5B00, 0x6500, 0x6F00},
    {0x4300, 0x5C00, 0x6600, 0x7000},
    {0x4400, 0x5D00, 0x6700, 0x7100},  // F9, F10
    {0, 0, 0, 0},                      // Num Lock
    {0, 0, 0, 0},                      // Scroll Lock
    {0x4700, '7', 0x7700, 0},
    {0x4800, '8', 0x8D00, 0},  // keypad 7, 8
    {0x4900, '9', 0x8400, 0},
    {'-', '-', 0x8E00, 0x4A00},
    {0x4B00, '4', 0x7300, 0},
    {0x4C00, '5', 0x8F00, 0},
    {0x4D00, '6', 0x7400, 0},
    {'+', '+', 0x9000, 0x4E00},
    {0x4F00, '1', 0x7500, 0},
    {0x5000, '2', 0x9100, 0},
    {0x5100, '3', 0x7600, 0},
    {0x5200, '0', 0x9200, 0},
    {0x5300, '.', 0x9300, 0},  // keypad .
    {0, 0, 0, 0},
    {0, 0, 0, 0},
    {0, 0, 0, 0},                      // 84..86
    {0x8500, 0x8700, 0x8900, 0x8B00},  // F11
    {0x8600, 0x8800, 0x8A00, 0x8C00},  // F12
};

struct EnhancedRow {
  int scan;
  Row codes;
};

// The separate cursor block, and the keypad Enter and slash.
constexpr EnhancedRow kEnhancedKeys[12] = {
    {28, {13, 13, 10, 0xA600}},
    {53, {'/', '/', 0x9500, 0xA400}},
    {71, {0x4700, 0x4700, 0x7700, 0x9700}},
    {72, {0x4800, 0x4800, 0x8D00, 0x9800}},
    {73, {0x4900, 0x4900, 0x8400, 0x9900}},
    {75, {0x4B00, 0x4B00, 0x7300, 0x9B00}},
    {77, {0x4D00, 0x4D00, 0x7400, 0x9D00}},
    {79, {0x4F00, 0x4F00, 0x7500, 0x9F00}},
    {80, {0x5000, 0x5000, 0x9100, 0xA000}},
    {81, {0x5100, 0x5100, 0x7600, 0xA100}},
    {82, {0x5200, 0x5200, 0x9200, 0xA200}},
    {83, {0x5300, 0x5300, 0x9300, 0xA300}},
};

constexpr int kVirtualNumpad0 = 0x60;

int Column(const Row& row, const ConsoleKeyEvent& e) {
  if (e.alt) return row.alt;
  if (e.ctrl) return row.ctrl;
  if (e.shift) return row.shift;
  return row.plain;
}

// The digit of a numeric-keypad key, or -1.
int KeypadDigit(const ConsoleKeyEvent& e) {
  if (e.virtual_key >= kVirtualNumpad0 && e.virtual_key <= kVirtualNumpad0 + 9) {
    return e.virtual_key - kVirtualNumpad0;
  }
  if (e.enhanced) return -1;
  switch (e.scan) {
    case 71:
      return 7;
    case 72:
      return 8;
    case 73:
      return 9;
    case 75:
      return 4;
    case 76:
      return 5;
    case 77:
      return 6;
    case 79:
      return 1;
    case 80:
      return 2;
    case 81:
      return 3;
    case 82:
      return 0;
    default:
      return -1;
  }
}

// The code of a key-down event, 0 for none.
int CodeOf(const ConsoleKeyEvent& e) {
  int value = 0;
  if (e.enhanced && e.character == 0) {
    for (const EnhancedRow& row : kEnhancedKeys) {
      if (row.scan == e.scan) value = Column(row.codes, e);
    }
    return value >= 256 ? (value | 0xFF) : value;
  }
  if (e.scan < 0 || e.scan >= static_cast<int>(sizeof kMainKeys / sizeof kMainKeys[0])) {
    value = e.character;
  } else if (!e.alt && !e.ctrl && !e.shift) {
    value = e.character != 0 ? e.character : kMainKeys[e.scan].plain;
  } else {
    value = Column(kMainKeys[e.scan], e);
  }
  if (value >= 256) {
    bool no_character = e.character == 0 && e.key_character == 0;
    bool own_character =
        e.character != 0 && std::tolower(e.character) == std::tolower(e.key_character);
    if (no_character || own_character) return value | 0xFF;
  }
  return e.character;
}

}  // namespace

void ConsoleKeyTranslator::Translate(const ConsoleKeyEvent& event, std::vector<int>& keys) {
  if (event.down && event.repeat == 0) return;
  if (event.down && event.alt && !event.ctrl && !event.shift) {
    int digit = KeypadDigit(event);
    if (digit >= 0) {
      composed_ = composed_ * 10 + digit;
      return;
    }
  }
  int code = event.down ? CodeOf(event) : 0;
  if (code != 0) {
    composed_ = 0;
    keys.push_back(code);
    return;
  }
  if (!event.alt && composed_ != 0) {
    int character = composed_ & 0xFF;
    composed_ = 0;
    if (character != 0) keys.push_back(character);
  }
}
