#include "logger/ini_keys.hpp"

#include <cstdlib>

#include "logger/config_test_fixture.hpp"

namespace {

using config_test::ConfigTest;

struct ValueCase {
  std::string value;
  int expected;
};

struct TextCase {
  std::string value;
  std::string expected;
};

class IniKeysTest : public ConfigTest {};

TEST_F(IniKeysTest, SwitchHoursIsTheMagnitudeRoundedDownAtMost24) {
  const ValueCase cases[] = {
      {"6", 6},     {"2.7", 2},    {"-3.5", 4},    {"-3", 3},       {"100", 24},  {"24", 24},
      {"24.9", 24}, {"25", 24},    {"48", 24},     {"&H10", 16},    {"&h0C", 12}, {"&O10", 8},
      {"&17", 15},  {"&B101", 5},  {"1D1", 10},    {"1e1", 10},     {"0.99", 0},  {"-0.5", 1},
      {"abc", 0},   {"1E300", 24}, {"-1E300", 24}, {"12hours", 12}, {"+5", 5},    {".5", 0},
  };
  for (const ValueCase& c : cases) {
    Settings.SwitchHrs = 99;
    ApplyIniSetting("SWITCHHRS", c.value);
    EXPECT_EQ(Settings.SwitchHrs, c.expected) << c.value;
  }
}

TEST_F(IniKeysTest, DelimiterRulesInOrder) {
  const TextCase cases[] = {
      {"TAB", "\t"},
      {"COMMA", ", "},
      {"COLLON", ": "},
      {"comma", "\t"},
      {"Comma", "\t"},
      {"tab", "\t"},
      {"colon", "\t"},
      {"2", "  "},
      {"3", "   "},
      {"3.9", "   "},
      {"0.5", ""},
      {"-2", ""},
      {"-0.5", ""},
      {"&H3", "   "},
      {"1D1", std::string(10, ' ')},
      {"0", ""},
      {"00", ""},
      {"0abc", ""},
      {"zero", ""},
      {"ZERO", ""},
      {"Zero", ""},
      {"zeros", "\t"},
      {"x", "\t"},
      {"|", "\t"},
      // A numeric delimiter asks for at most 255 blanks.
      {"255", std::string(255, ' ')},
      {"256", std::string(255, ' ')},
      {"1E9", std::string(255, ' ')},
      {"1E400", std::string(255, ' ')},
  };
  for (const TextCase& c : cases) {
    Settings.Delimiter = "stale";
    ApplyIniSetting("DELIMITER", c.value);
    EXPECT_EQ(Settings.Delimiter, c.expected) << c.value;
  }
}

TEST_F(IniKeysTest, LineEndByFirstCharacter) {
  const TextCase cases[] = {
      {"0", "\r\n"}, {"1", "\n"},   {"10", "\n"},  {"2", "\r"},
      {"2x", "\r"},  {"3", "\r\n"}, {"x", "\r\n"}, {"LF", "\r\n"},
  };
  for (const TextCase& c : cases) {
    Settings.EolStr = "stale";
    ApplyIniSetting("EOL", c.value);
    EXPECT_EQ(Settings.EolStr, c.expected) << c.value;
  }
}

TEST_F(IniKeysTest, ExitKeyWordsCodesAndFallbacks) {
  const ValueCase cases[] = {
      {"Escape", 27}, {"ESCAPE", 27}, {"escape", 27}, {"CTLX", 24}, {"ctlx", 24},  {"CtlX", 24},
      {"65", 65},     {"32", 32},     {"126", 126},   {"127", 27},  {"31", 27},    {"13", 27},
      {"24", 27},     {"1000", 27},   {"-65", 65},    {"65.9", 65}, {"-65.5", 66}, {"&H41", 65},
      {"q", 0},       {"0", 0},       {"0.5", 0},     {"Esc", 0},   {"1E300", 27},
  };
  for (const ValueCase& c : cases) {
    Settings.ExitKey = 99;
    ApplyIniSetting("EXITKEY", c.value);
    EXPECT_EQ(Settings.ExitKey, c.expected) << c.value;
  }
}

TEST_F(IniKeysTest, FlagsAreOnlySwitchedOn) {
  const ValueCase cases[] = {
      {"TRUE", 1}, {"true", 1}, {"Yes", 1}, {"yes", 1},   {"YES", 1},
      {"1", 0},    {"ON", 0},   {"Y", 0},   {"FALSE", 0}, {"TRUE!", 0},
  };
  for (const char* key : {"APNDTIME", "STDOUT"}) {
    for (const ValueCase& c : cases) {
      Settings.ApndTime = 0;
      Settings.StdOut = 0;
      ApplyIniSetting(key, c.value);
      int8_t flag = std::string(key) == "APNDTIME" ? Settings.ApndTime : Settings.StdOut;
      EXPECT_EQ(flag, c.expected) << key << "=" << c.value;
    }
  }
  Settings.StdOut = 1;
  ApplyIniSetting("STDOUT", "FALSE");
  EXPECT_EQ(Settings.StdOut, 1);
}

TEST_F(IniKeysTest, FileStrWithLeadingVariable) {
  setenv("BRENMARK_TEST_DIR", "/var/log/therm", 1);
  unsetenv("BRENMARK_NO_SUCH_VAR");
  const TextCase cases[] = {
      {"Therm0000.txt", "Therm0000.txt"},
      {"%BRENMARK_TEST_DIR%\\Therm0000.txt", "/var/log/therm\\Therm0000.txt"},
      {"%BRENMARK_TEST_DIR%/a%b%", "/var/log/therm/a%b%"},
      {"%BRENMARK_NO_SUCH_VAR%\\Log0000.txt", "\\Log0000.txt"},
      {"%BRENMARK_NO_SUCH_VAR%", ""},
      {"%%Log.txt", "Log.txt"},
      {"x%BRENMARK_TEST_DIR%", "x%BRENMARK_TEST_DIR%"},
      // Without a second "%" there is no variable: taken as written.
      {"%Log0000.txt", "%Log0000.txt"},
      {"%", "%"},
  };
  for (const TextCase& c : cases) {
    Settings.LogToFile = 0;
    ApplyIniSetting("FILESTR", c.value);
    EXPECT_EQ(Settings.FileStr, c.expected) << c.value;
    EXPECT_EQ(Settings.LogToFile, 1) << c.value;
  }
  unsetenv("BRENMARK_TEST_DIR");
}

TEST_F(IniKeysTest, TextKeysTakeTheValueAsWritten) {
  ApplyIniSetting("PORTSTR", "com1:9600,n,8,1");
  ApplyIniSetting("USERSTR1", "A1");
  ApplyIniSetting("USERSTR2", "B 2");
  ApplyIniSetting("USERSTR3", "\"C3\"");
  ApplyIniSetting("USERSTR4", "?S");
  ApplyIniSetting("USERSTR5", "\tE5");
  EXPECT_EQ(Settings.PortStr, "com1:9600,n,8,1");
  EXPECT_EQ(Settings.UserStr1, "A1");
  EXPECT_EQ(Settings.UserStr2, "B 2");
  EXPECT_EQ(Settings.UserStr3, "\"C3\"");
  EXPECT_EQ(Settings.UserStr4, "?S");
  EXPECT_EQ(Settings.UserStr5, "\tE5");
}

TEST_F(IniKeysTest, UnknownKeysChangeNothing) {
  SettingsRecord before = Settings;
  for (const char* key : {"PORT", "PORTSTR2", "portstr", "USERSTR6", "USERSTR0", "FILE"}) {
    ApplyIniSetting(key, "x");
  }
  EXPECT_EQ(Settings.PortStr, before.PortStr);
  EXPECT_EQ(Settings.FileStr, before.FileStr);
  EXPECT_EQ(Settings.LogToFile, before.LogToFile);
  EXPECT_EQ(Settings.UserStr1, before.UserStr1);
  EXPECT_EQ(Settings.UserStr5, before.UserStr5);
}

}  // namespace
