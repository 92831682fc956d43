#include "services/console/console_events.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct KeyCase {
  const char* name;
  ConsoleKeyEvent event;
  int code;  // 0: no key
};

ConsoleKeyEvent Key(int vk, int scan, int ch, int own, bool enhanced = false, bool alt = false,
                    bool ctrl = false, bool shift = false) {
  ConsoleKeyEvent e;
  e.virtual_key = vk;
  e.scan = scan;
  e.character = static_cast<unsigned char>(ch);
  e.key_character = static_cast<unsigned char>(own);
  e.enhanced = enhanced;
  e.alt = alt;
  e.ctrl = ctrl;
  e.shift = shift;
  return e;
}

TEST(ConsoleKeyTranslator, EventsGiveTheKeyboardCodes) {
  ConsoleKeyEvent released = Key('A', 30, 'a', 'A');
  released.down = false;
  ConsoleKeyEvent no_repeat = Key('A', 30, 'a', 'A');
  no_repeat.repeat = 0;
  ConsoleKeyEvent held = Key('A', 30, 'a', 'A');
  held.repeat = 3;
  const KeyCase cases[] = {
      {"letter", Key('A', 30, 'a', 'A'), 'a'},
      {"escape", Key(27, 1, 27, 27), 27},
      {"shift escape", Key(27, 1, 27, 27, false, false, false, true), 27},
      {"ctrl x", Key('X', 45, 24, 'X', false, false, true), 24},
      {"shift slash", Key(191, 53, '?', '/', false, false, false, true), '?'},
      {"alt x: the letter's scan code", Key('X', 45, 'x', 'X', false, true), 0x2DFF},
      {"alt 1", Key('1', 2, '1', '1', false, true), 0x78FF},
      {"up, cursor block", Key(38, 72, 0, 0, true), 0x48FF},
      {"up without the enhanced flag", Key(38, 72, 0, 0), 0x48FF},
      {"ctrl up: the Ctrl column", Key(38, 72, 0, 0, true, false, true), 0x8DFF},
      {"alt wins over ctrl and shift", Key(38, 72, 0, 0, true, true, true, true), 0x98FF},
      {"delete", Key(46, 83, 0, 0, true), 0x53FF},
      {"keypad enter carrying its character", Key(13, 28, 13, 13, true), 13},
      {"F1", Key(112, 59, 0, 0), 0x3BFF},
      {"shift F1", Key(112, 59, 0, 0, false, false, false, true), 0x54FF},
      {"ctrl F1", Key(112, 59, 0, 0, false, false, true), 0x5EFF},
      {"alt F1", Key(112, 59, 0, 0, false, true), 0x68FF},
      {"F12", Key(123, 88, 0, 0), 0x86FF},
      {"a scan code past the table keeps its character", Key(0, 100, 'z', 'Z'), 'z'},
      {"extended code refused for another character", Key('2', 3, 'q', '2', false, true), 'q'},
      {"ctrl 2 carries no character", Key('2', 3, 0, '2', false, false, true), 0},
      {"shift alone", Key(16, 42, 0, 0, false, false, false, true), 0},
      {"key release", released, 0},
      {"repeat count 0", no_repeat, 0},
      {"repeat count 3 still one code", held, 'a'},
  };
  for (const KeyCase& c : cases) {
    ConsoleKeyTranslator translator;
    std::vector<int> keys;
    translator.Translate(c.event, keys);
    std::vector<int> expected;
    if (c.code != 0) expected.push_back(c.code);
    EXPECT_EQ(keys, expected) << c.name;
  }
}

TEST(ConsoleKeyTranslator, AltKeypadDigitsComposeACharacter) {
  ConsoleKeyTranslator translator;
  std::vector<int> keys;
  ConsoleKeyEvent alt_up = Key(18, 56, 0, 0);
  alt_up.down = false;
  // Alt held, keypad 6 (scan 77) and 5 (VK_NUMPAD5), then Alt released.
  translator.Translate(Key(18, 56, 0, 0, false, true), keys);
  translator.Translate(Key(102, 77, 0, 0, false, true), keys);
  translator.Translate(Key(0x65, 76, 0, 0, false, true), keys);
  EXPECT_TRUE(keys.empty());
  translator.Translate(alt_up, keys);
  EXPECT_EQ(keys, std::vector<int>{'A'});
  // A key with a code of its own in between drops the number.
  keys.clear();
  translator.Translate(Key(102, 77, 0, 0, false, true), keys);
  translator.Translate(Key('X', 45, 'x', 'X', false, true), keys);
  translator.Translate(alt_up, keys);
  EXPECT_EQ(keys, std::vector<int>{0x2DFF});
}

}  // namespace
