#include "services/console/key_decoder.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int X(int scan) {
  return ExtendedKey(scan);
}

std::vector<int> Decode(std::string_view bytes, bool flush = true) {
  KeyDecoder decoder;
  std::vector<int> keys;
  decoder.Feed(bytes, keys);
  if (flush) decoder.Flush(keys);
  return keys;
}

struct Case {
  const char* name;
  std::string bytes;
  std::vector<int> keys;
};

TEST(KeyDecoderTest, TerminalSequencesGiveThePcKeyCodes) {
  const Case cases[] = {
      {"plain bytes", "aZ1?\r\t\x7f\x1a\x18", {'a', 'Z', '1', '?', 13, 9, 127, 26, 24}},
      {"8-bit bytes", "\xE9\xFF\x80", {0xE9, 0xFF, 0x80}},
      {"NUL is Ctrl+@", std::string("\0", 1), {X(3)}},
      {"lone escape", "\x1b", {27}},
      {"arrows CSI", "\x1b[A\x1b[B\x1b[C\x1b[D", {X(72), X(80), X(77), X(75)}},
      {"arrows SS3", "\x1bOA\x1bOB\x1bOC\x1bOD", {X(72), X(80), X(77), X(75)}},
      {"home end letters", "\x1b[H\x1b[F\x1bOH\x1bOF", {X(71), X(79), X(71), X(79)}},
      {"home end tilde", "\x1b[1~\x1b[7~\x1b[4~\x1b[8~", {X(71), X(71), X(79), X(79)}},
      {"edit block", "\x1b[5~\x1b[6~\x1b[2~\x1b[3~", {X(73), X(81), X(82), X(83)}},
      {"F1-F4 SS3", "\x1bOP\x1bOQ\x1bOR\x1bOS", {X(59), X(60), X(61), X(62)}},
      {"F1-F5 tilde",
       "\x1b[11~\x1b[12~\x1b[13~\x1b[14~\x1b[15~",
       {X(59), X(60), X(61), X(62), X(63)}},
      {"F1-F5 linux console",
       "\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E",
       {X(59), X(60), X(61), X(62), X(63)}},
      {"F6-F10", "\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~", {X(64), X(65), X(66), X(67), X(68)}},
      {"F11 F12", "\x1b[23~\x1b[24~", {X(133), X(134)}},
      {"shift F keys",
       "\x1b[1;2P\x1b[15;2~\x1b[21;2~\x1b[23;2~\x1b[24;2~",
       {X(84), X(88), X(93), X(135), X(136)}},
      {"ctrl F keys", "\x1b[1;5Q\x1b[17;5~\x1b[23;5~\x1b[24;5~", {X(95), X(99), X(137), X(138)}},
      {"alt F keys", "\x1b[1;3S\x1b[20;3~\x1b[23;3~\x1b[24;3~", {X(107), X(112), X(139), X(140)}},
      {"SS3 with modifier", "\x1bO5P\x1bO1;2R", {X(94), X(86)}},
      {"ctrl arrows", "\x1b[1;5A\x1b[1;5B\x1b[1;5D\x1b[1;5C", {X(141), X(145), X(115), X(116)}},
      {"alt arrows", "\x1b[1;3A\x1b[1;3B\x1b[1;3D\x1b[1;3C", {X(152), X(160), X(155), X(157)}},
      {"shift arrows are plain", "\x1b[1;2A\x1b[1;2D", {X(72), X(75)}},
      {"ctrl block",
       "\x1b[1;5H\x1b[1;5F\x1b[5;5~\x1b[6;5~\x1b[2;5~\x1b[3;5~",
       {X(119), X(117), X(132), X(118), X(146), X(147)}},
      {"alt block",
       "\x1b[1;3H\x1b[1;3F\x1b[5;3~\x1b[6;3~\x1b[2;3~\x1b[3;3~",
       {X(151), X(159), X(153), X(161), X(162), X(163)}},
      {"alt wins over ctrl and shift", "\x1b[1;8A\x1b[1;7P\x1b[1;6P", {X(152), X(104), X(94)}},
      {"shift tab", "\x1b[Z", {X(15)}},
      {"alt letters",
       "\x1bq\x1bw\x1bx\x1bm\x1b"
       "a\x1bQ\x1bp\x1bl",
       {X(16), X(17), X(45), X(50), X(30), X(16), X(25), X(38)}},
      {"alt with keys that are not letters",
       "\x1b"
       "1\x1b"
       "0\x1b-\x1b=\x1b.\x1b/\x1b\r\x1b\t\x1b\x7f\x1b]",
       {X(120), X(129), X(130), X(131), X(52), X(53), X(28), X(165), X(14), X(27)}},
      {"alt with a key that has no alt code", "\x1b!\x1b \x1b\x01\x1b\xE9", {}},
      {"escape escape is alt escape", "\x1b\x1b", {X(1)}},
      {"alt by a second escape",
       "\x1b\x1b[A\x1b\x1bOP\x1b\x1b[[B\x1b\x1bx",
       {X(152), X(104), X(105), X(1), 'x'}},
      {"unknown sequences swallowed",
       "a\x1b[99~\x1b[200~\x1b[?1;2c\x1b[1 q\x1b[E\x1bOM\x1b[[Zb",
       {'a', 'b'}},
      {"huge numbers are no key", "\x1b[99999999999~\x1b[4294967307~", {}},
      {"overlong parameters swallowed", "\x1b[11111111111111111111111111;5A.", {'.'}},
      {"control byte breaks a sequence off", "\x1b[1;5\r\x1bO\x03", {13, 3}},
      {"cut-off escape O is alt O", "\x1bO", {X(24)}},
      {"cut-off CSI is alt bracket", "\x1b[", {X(26)}},
      {"cut-off CSI with parameters dropped", "\x1b[1;5", {}},
      {"cut-off linux function dropped", "\x1b[[", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.keys) << c.name;
}

TEST(KeyDecoderTest, SequencesSplitAcrossFeedsStillDecode) {
  const std::string bytes = "x\x1b[24;5~\x1bOPy\x1bk";
  const std::vector<int> expected = {'x', X(138), X(59), 'y', X(37)};
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    KeyDecoder decoder;
    std::vector<int> keys;
    decoder.Feed(std::string_view(bytes).substr(0, cut), keys);
    decoder.Feed(std::string_view(bytes).substr(cut), keys);
    EXPECT_FALSE(decoder.Pending()) << cut;
    EXPECT_EQ(keys, expected) << "cut at " << cut;
  }
}

TEST(KeyDecoderTest, PendingUntilTheSequenceEndsOrIsFlushed) {
  KeyDecoder decoder;
  std::vector<int> keys;
  decoder.Feed("\x1b", keys);
  EXPECT_TRUE(decoder.Pending());
  EXPECT_TRUE(keys.empty());
  decoder.Feed("[1;", keys);
  EXPECT_TRUE(decoder.Pending());
  decoder.Feed("5A", keys);
  EXPECT_FALSE(decoder.Pending());
  EXPECT_EQ(keys, std::vector<int>{X(141)});

  keys.clear();
  decoder.Feed("\x1b", keys);
  decoder.Flush(keys);
  EXPECT_FALSE(decoder.Pending());
  decoder.Flush(keys);  // nothing pending: nothing more
  decoder.Feed("A", keys);
  EXPECT_EQ(keys, (std::vector<int>{27, 'A'}));
}

TEST(KeyDecoderTest, UnflushedEscapeGivesNothingYet) {
  EXPECT_TRUE(Decode("ab\x1b", false) == (std::vector<int>{'a', 'b'}));
}

}  // namespace
