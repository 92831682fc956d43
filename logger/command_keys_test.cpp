// The command table as the device and the user see it: the bytes each key
// puts on the line and the console lines it prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logger/run_test_fakes.hpp"

namespace {

struct KeyCase {
  const char* name;
  std::vector<int> keys;
  std::string device;   // bytes the device receives
  std::string console;  // console lines
};

constexpr int kEsc = 27;

std::string Lines(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) out += std::string(l) + "\r\n";
  return out;
}

class CommandKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(CommandKeyTest, SendsAndPrintsExactly) {
  const KeyCase& c = GetParam();
  RunFakes fakes;
  std::vector<int> keys = c.keys;
  keys.push_back(kEsc);
  fakes.port->Keys(keys);
  EXPECT_EQ(COMMUNICATIONS(), kExitKeyPressed);
  EXPECT_EQ(Settings.ExitCode, kExitKeyPressed);
  EXPECT_EQ(fakes.port->sent, c.device);
  EXPECT_EQ(fakes.console.out, c.console);
}

const KeyCase kKeyCases[] = {
    {"Time1", {'1'}, "T1\r\n", Lines({"Report Time set to 1 minute"})},
    {"Time2", {'2'}, "T2\r\n", Lines({"Report Time set to 2 minutes"})},
    {"Time3", {'3'}, "T3\r\n", Lines({"Report Time set to 3 minutes"})},
    {"Time4", {'4'}, "T4\r\n", Lines({"Report Time set to 4 minutes"})},
    {"Time5", {'5'}, "T5\r\n", Lines({"Report Time set to 5 minutes"})},
    {"Time6", {'6'}, "T6\r\n", Lines({"Report Time set to 10 minutes"})},
    {"Time7", {'7'}, "T7\r\n", Lines({"Report Time set to 15 minutes"})},
    {"Time8", {'8'}, "T8\r\n", Lines({"Report Time set to 20 minutes"})},
    {"Time9", {'9'}, "T9\r\n", Lines({"Report Time set to 30 minutes"})},
    {"Time0", {'0'}, "T0\r\n", Lines({"Report Time set to 60 minutes"})},
    {"DebugTwice",
     {'D', 'd'},
     "DB\r\nDB\r\n",
     Lines({"Turn Debug mode on", "Turn Debug mode off"})},
    {"FahrenheitTwice",
     {'F', 'f'},
     "FF\r\nFT\r\n",
     Lines({"Turn Fahrenheit Mode off", "Turn Fahrenheit Mode on"})},
    {"CelsiusTwice",
     {'c', 'C'},
     "CF\r\nCT\r\n",
     Lines({"Turn Celsius Mode off", "Turn Celsius Mode on"})},
    {"InternalTwice",
     {'A', 'a'},
     "IT\r\nIF\r\n",
     Lines({"Turn Avr Internal Mode on", "Turn AVR Internal Mode off"})},
    {"EepromTwice",
     {'E', 'e'},
     "E+\r\nE-\r\n",
     Lines({"Turn EEMode Mode on, ***NEXT AVR RESTART***",
            "Turn EEMode Mode off, ***NEXT AVR RESTART***"})},
    {"RoundingTwice",
     {'R', 'r'},
     "00\r\n00\r\n",
     Lines({"Turn Rounding Mode off", "Turn Rounding Mode on"})},
    {"RawTwice",
     {'v', 'V'},
     "RF\r\nRT\r\n",
     Lines({"Turn Raw Reading Mode off", "Turn Raw Reading Mode on"})},
    {"Minimal", {'M'}, "RF CF IF FT ST\r\n", Lines({"Setting minimal mode (Fahrenheit only)"})},
    {"MinimalAfterDebug",
     {'D', 'm'},
     "DB\r\nDB\r\nRF CF IF FT ST\r\n",
     Lines({"Turn Debug mode on", "Setting minimal mode (Fahrenheit only)"})},
    {"MinimalAfterRoundingOff",
     {'R', 'M'},
     "00\r\n00\r\nRF CF IF FT ST\r\n",
     Lines({"Turn Rounding Mode off", "Setting minimal mode (Fahrenheit only)"})},
    // Minimal mode leaves Fahrenheit on: the next F turns it off.
    {"MinimalThenFahrenheit",
     {'F', 'M', 'F'},
     "FF\r\nRF CF IF FT ST\r\nFF\r\n",
     Lines({"Turn Fahrenheit Mode off", "Setting minimal mode (Fahrenheit only)",
            "Turn Fahrenheit Mode off"})},
    {"Backup", {'B', 'b'}, "W-\r\nW-\r\n", ""},
    {"Status", {'S', 's'}, "ST\r\nST\r\n", ""},
    {"Storage", {'Q', 'q'}, "ED\r\nED\r\n", ""},
    {"List", {'L', 'l'}, "??\r\n??\r\n", ""},
    {"UserOne", {'U', '1'}, "Z1\r\n", ""},
    {"UserTwoLower", {'u', '2'}, "Z2\r\n", ""},
    {"UserThreeByZ", {'z', '3'}, "ZD\r\n", ""},
    {"UserThreeByCtrlZ", {26, '3'}, "ZD\r\n", ""},
    {"UserFourEmpty", {'U', '4'}, "", ""},
    {"UserFiveEmpty", {'U', '5'}, "", ""},
    // The second key is used up even when it is a command.
    {"UserSecondKeyConsumed", {'U', 'S'}, "", ""},
    {"UpperZIsNothing", {'Z'}, "", ""},
    {"OffsetUpTwice", {'>', '.'}, "DO 0.25\r\nDO 0.5\r\n", ""},
    {"OffsetDownFromZero", {'<'}, "DO -0.25\r\n", ""},
    {"OffsetBackToZero", {'>', ','}, "DO 0.25\r\nDO 0.0001\r\n", ""},
    {"OffsetFromTiny", {'>', '<', '>'}, "DO 0.25\r\nDO 0.0001\r\nDO 0.2501\r\n", ""},
    {"Unknown", {'x', 'Y', 255, '#', 13}, "", ""},
};

INSTANTIATE_TEST_SUITE_P(Keys, CommandKeyTest, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandKeys, FlagsFollowTheirToggles) {
  RunFakes fakes;
  fakes.port->Keys({'D', 'F', 'C', 'A', 'E', 'R', 'V', kEsc});
  COMMUNICATIONS();
  EXPECT_EQ(Settings.AvrDebugMode, -1);
  EXPECT_EQ(Settings.AvrFahrenheitMode, 0);
  EXPECT_EQ(Settings.AvrCelsiusMode, 0);
  EXPECT_EQ(Settings.AvrInternalMode, -1);
  EXPECT_EQ(Settings.AvrEepromMode, -1);
  EXPECT_EQ(Settings.AvrRoundingMode, 0);
  EXPECT_EQ(Settings.AvrRawMode, 0);
}

TEST(CommandKeys, MinimalModeSetsItsFlagsAndKeepsEeprom) {
  RunFakes fakes;
  fakes.port->Keys({'D', 'E', 'A', 'F', 'R', 'M', kEsc});
  COMMUNICATIONS();
  EXPECT_EQ(Settings.AvrDebugMode, 0);
  EXPECT_EQ(Settings.AvrRoundingMode, -1);
  EXPECT_EQ(Settings.AvrRawMode, 0);
  EXPECT_EQ(Settings.AvrCelsiusMode, 0);
  EXPECT_EQ(Settings.AvrInternalMode, 0);
  EXPECT_EQ(Settings.AvrFahrenheitMode, -1);
  EXPECT_EQ(Settings.AvrEepromMode, -1);
}

TEST(CommandKeys, HelpKeysPrintTheStatusTextWithOneMoreLineEnd) {
  RunFakes fakes;
  Settings.StatusStr = "\r\nstatus\r\n";
  fakes.port->Keys({'?', '/', kEsc});
  COMMUNICATIONS();
  EXPECT_EQ(fakes.console.out, "\r\nstatus\r\n\r\n\r\nstatus\r\n\r\n");
  EXPECT_EQ(fakes.port->sent, "");
}

TEST(CommandKeys, UserStringsComeFromTheSettings) {
  RunFakes fakes;
  Settings.UserStr4 = "?S";
  Settings.UserStr5 = "T5 ST";
  fakes.port->Keys({'U', '4', 'U', '5', kEsc});
  COMMUNICATIONS();
  EXPECT_EQ(fakes.port->sent, "?S\r\nT5 ST\r\n");
}

TEST(CommandKeys, UserStringWaitsASecondForTheSecondKey) {
  RunFakes fakes;
  fakes.port->Keys({'U'}).Keys({'1', kEsc});
  COMMUNICATIONS();
  // The pause ran its full second (no key came during it), then the idle
  // sleeps of the loop.
  ASSERT_FALSE(fakes.clock.sleeps.empty());
  EXPECT_GE(fakes.clock.slept_ms, 1000);
  // The '1' typed after the wait was not taken as the second key.
  EXPECT_EQ(fakes.port->sent, "T1\r\n");
}

TEST(CommandKeys, OffsetIsStoredInSinglePrecision) {
  RunFakes fakes;
  Settings.DegreeOffset = 0.1f;
  fakes.port->Keys({'>', kEsc});
  COMMUNICATIONS();
  EXPECT_EQ(Settings.DegreeOffset, static_cast<float>(0.1f + 0.25));
  EXPECT_EQ(fakes.port->sent, "DO 0.35\r\n");
}

TEST(CommandKeys, FailedCommandWriteNeitherReportsNorEnds) {
  RunFakes fakes;
  fakes.port->write_result = 3;
  fakes.port->Keys({'S', '1'}).Bytes("72.5\r\n\x04");
  EXPECT_EQ(COMMUNICATIONS(), kEndOfTransmission);
  EXPECT_EQ(fakes.console.out, "Report Time set to 1 minute\r\n72.5\r\n");
}

struct ExitCase {
  const char* name;
  int exit_key;
  std::vector<int> keys;
  int8_t result;
  std::string device;
};

class ExitKeyTest : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitKeyTest, EndsTheRunOnlyOnItsKey) {
  const ExitCase& c = GetParam();
  RunFakes fakes;
  Settings.ExitKey = static_cast<int8_t>(c.exit_key);
  Settings.StatusStr = "s";
  fakes.port->Keys(c.keys);
  EXPECT_EQ(COMMUNICATIONS(), c.result);
  EXPECT_EQ(fakes.port->sent, c.device);
}

const ExitCase kExitCases[] = {
    {"Escape", 27, {'S', 27, 'S'}, kExitKeyPressed, "ST\r\n"},
    {"CtrlX", 24, {27, 'S', 24, 'S'}, kExitKeyPressed, "ST\r\n"},
    // An exit key that is a command key ends the run instead of commanding.
    {"CommandKeyD", 'D', {'S', 'D', 'S'}, kExitKeyPressed, "ST\r\n"},
    {"LetterA", 'A', {'a', 'A'}, kExitKeyPressed, "IT\r\n"},
    // Help comes first: such an exit key never ends the run (EOT does).
    {"Question", '?', {'?', 'S'}, kEndOfTransmission, "ST\r\n"},
    {"Slash", '/', {'/'}, kEndOfTransmission, ""},
    // 0 would match every pass without a key: it stands for Escape.
    {"ZeroMeansEscape", 0, {'S', 27, 'S'}, kExitKeyPressed, "ST\r\n"},
    {"ZeroIdle", 0, {}, kEndOfTransmission, ""},
};

INSTANTIATE_TEST_SUITE_P(Keys, ExitKeyTest, ::testing::ValuesIn(kExitCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
