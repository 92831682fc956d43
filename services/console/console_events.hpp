#pragma once
// Key events of a Windows console, turned into key codes with the PC keyboard
// tables. Platform-free so the rules run in every build's tests.
#include <vector>

struct ConsoleKeyEvent {
  bool down = true;
  int repeat = 1;
  int virtual_key = 0;
  int scan = 0;
  unsigned char character = 0;      // what the event carries, 0 for none
  unsigned char key_character = 0;  // the key's own character, 0 for none
  bool enhanced = false;            // a key of the separate cursor block
  bool alt = false;
  bool ctrl = false;
  bool shift = false;
};

// The extended code of Alt+F4, which a closing console puts in the buffer.
constexpr int kAltF4Key = (107 << 8) | 0xFF;

class ConsoleKeyTranslator {
 public:
  // Appends the code the event yields, if any: one per key-down event, none
  // for a repeat count of 0; the end of an Alt numeric-keypad number yields
  // its character.
  void Translate(const ConsoleKeyEvent& event, std::vector<int>& keys);

 private:
  int composed_ = 0;
};
