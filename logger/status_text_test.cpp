#include <string>
#include <vector>

#include "logger/config_test_fixture.hpp"

namespace {

using config_test::ConfigTest;

const std::vector<std::string> kKeyHelp = {
    " Keys '1'  to '0' set report Times",
    " Key  'A'  toggles AVR mode",
    " Key  'B'  Restore from Backup",
    " Key  'C'  toggles Celsius mode",
    " Key  'D'  toggles Debug mode",
    " Key  'E'  toggles EEPROM mode",
    " Key  'F'  toggles Fahrenheit mode",
    " Key  'L'  lists AVR commands",
    " Key  'M'  turns on Minimal mode (Fahrenheit only)",
    " Key  'Q'  prints AVR storage",
    " Key  'R'  toggles Rounding mode",
    " Key  'S'  prints AVR Status",
    " Key  'V'  toggles Raw Reading mode",
    " Key  '>'  increase Degree Offset by 0.25 Fahrenheit",
    " Key  '<'  decrease Degree Offset by 0.25 Fahrenheit",
};

std::string Join(const std::vector<std::string>& lines, const std::string& eol) {
  std::string text;
  for (const std::string& line : lines) text += line + eol;
  return text;
}

class StatusTextTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Settings.IniFileName = "Brenmark.ini";
    Settings.PortStr = "/dev/ttyUSB0:9600,N,8,1,CS0,DS0,CD0";
  }
  // The status text with its lines split at the line end in use.
  std::vector<std::string> Lines() {
    BUILDSTATUSSTR();
    std::vector<std::string> lines;
    const std::string& text = Settings.StatusStr;
    const std::string& eol = Settings.EolStr;
    size_t start = 0;
    for (size_t end; (end = text.find(eol, start)) != std::string::npos; start = end + eol.size()) {
      lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the last line ends with the line end";
    return lines;
  }
};

TEST_F(StatusTextTest, DefaultsWithoutLogFile) {
  std::vector<std::string> expected = {
      "",
      "===Brenmark.exe Ver1.0.5 (8 October  2013) ===",
      "Using INI file: ",
      "Brenmark.ini",
      "Using Port Str: /dev/ttyUSB0:9600,N,8,1,CS0,DS0,CD0",
      "Start: 10-08-2013 14:05:09",
      "Press '?' or '/' to redispaly this message",
      "Press 'Escape' key to exit.",
      "",
  };
  expected.insert(expected.end(), kKeyHelp.begin(), kKeyHelp.end());
  expected.push_back(" Key  'U1' INI defined string: \"Z1\"");
  expected.push_back(" Key  'U2' INI defined string: \"Z2\"");
  expected.push_back(" Key  'U3' INI defined string: \"ZD\"");
  EXPECT_EQ(BUILDSTATUSSTR(), 0);
  EXPECT_EQ(Settings.StatusStr, Join(expected, "\r\n"));
  EXPECT_EQ(Printed(), "");
}

TEST_F(StatusTextTest, EverythingSetWithLineFeeds) {
  Settings.ApndTime = 1;
  Settings.StdOut = 1;
  Settings.LogToFile = 1;
  Settings.FileStr = "/var/log/Therm0003.txt";
  Settings.Delimiter = ", ";
  Settings.EolStr = "\n";
  Settings.ExitKey = 65;
  Settings.UserStr1 = "A";
  Settings.UserStr4 = "?S";
  Settings.UserStr5 = "E 5";
  std::vector<std::string> expected = {
      "",
      "===Brenmark.exe Ver1.0.5 (8 October  2013) ===",
      "Using INI file: ",
      "Brenmark.ini",
      "Using Port Str: /dev/ttyUSB0:9600,N,8,1,CS0,DS0,CD0",
      "Appending date/time to data.",
      "Logging data to: /var/log/Therm0003.txt",
      "Delimiter: Comma",
      "EOL: line feed",
      "Start: 10-08-2013 14:05:09",
      "Press '?' or '/' to redispaly this message",
      "Press 'A' key to exit.",
      "",
  };
  expected.insert(expected.end(), kKeyHelp.begin(), kKeyHelp.end());
  expected.push_back(" Key  'U1' INI defined string: \"A\"");
  expected.push_back(" Key  'U2' INI defined string: \"Z2\"");
  expected.push_back(" Key  'U3' INI defined string: \"ZD\"");
  expected.push_back(" Key  'U4' INI defined string: \"?S\"");
  expected.push_back(" Key  'U5' INI defined string: \"E 5\"");
  EXPECT_NE(BUILDSTATUSSTR(), 0);
  EXPECT_EQ(Settings.StatusStr, Join(expected, "\n"));
}

TEST_F(StatusTextTest, DelimiterLine) {
  Settings.FileStr = "Log.txt";
  const std::pair<std::string, std::string> cases[] = {
      {", ", "Delimiter: Comma"},      {": ", "Delimiter: Collon"},   {"\t", "Delimiter: Tab"},
      {"", "Delimiter: none"},         {"   ", "Delimiter: \"   \""}, {",", "Delimiter: \",\""},
      {"\t\t", "Delimiter: \"\t\t\""}, {";", "Delimiter: \";\""},
  };
  for (const auto& [delimiter, line] : cases) {
    Settings.Delimiter = delimiter;
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[5], "Logging data to: Log.txt");
    EXPECT_EQ(lines[6], line);
  }
}

TEST_F(StatusTextTest, LineEndLineAndSeparator) {
  Settings.FileStr = "Log.txt";
  const std::pair<std::string, std::string> cases[] = {
      {"\r\n", "EOL: carriage return plus line feed"},
      {"\n", "EOL: line feed"},
      {"\r", "EOL: carriage return"},
  };
  for (const auto& [eol, line] : cases) {
    Settings.EolStr = eol;
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[7], line);
  }
}

TEST_F(StatusTextTest, ExitKeyLine) {
  const std::pair<int, std::string> cases[] = {
      {24, "Press 'Ctrl' and  'X' to exit."}, {27, "Press 'Escape' key to exit."},
      {0, "Press 'Escape' key to exit."},  // 0 cannot be told from "no key"
      {65, "Press 'A' key to exit."},         {32, "Press ' ' key to exit."},
      {126, "Press '~' key to exit."},        {113, "Press 'q' key to exit."},
  };
  for (const auto& [key, line] : cases) {
    Settings.ExitKey = static_cast<int8_t>(key);
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[7], line) << key;
  }
}

TEST_F(StatusTextTest, NoFileLinesWithoutFileName) {
  Settings.LogToFile = 1;  // FILESTR=%UNSET% leaves the name empty
  Settings.ApndTime = 1;
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[5], "Appending date/time to data.");
  EXPECT_EQ(lines[6], "Start: 10-08-2013 14:05:09");
}

TEST_F(StatusTextTest, RebuiltFromScratch) {
  Settings.UserStr4 = "X4";
  BUILDSTATUSSTR();
  Settings.UserStr4.clear();
  Settings.FileStr = "Next0001.txt";
  std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines.size(), 30u);
  EXPECT_EQ(lines[5], "Logging data to: Next0001.txt");
  EXPECT_EQ(Settings.StatusStr.find("X4"), std::string::npos);
}

}  // namespace
