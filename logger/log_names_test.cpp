#include <filesystem>
#include <string>
#include <vector>

#include "logger/config_test_fixture.hpp"

namespace {

using config_test::ConfigTestInTempDir;

class LogNamesTest : public ConfigTestInTempDir {
 protected:
  void Pattern(const std::string& pattern, int switchHrs) {
    Settings.FileStr = pattern;
    Settings.LogToFile = 1;
    Settings.SwitchHrs = static_cast<int8_t>(switchHrs);
  }
  void Touch(const std::string& name) { dir_.Write(name, "old record\r\n"); }
};

TEST_F(LogNamesTest, NoLogFileGivesNoName) {
  Settings.SwitchHrs = 6;
  EXPECT_EQ(BUILDFILESTR(), "");
  EXPECT_EQ(Settings.FileStr, "");
  EXPECT_EQ(Settings.FileNumber, -1);
}

TEST_F(LogNamesTest, WithoutSwitchingThePatternIsTheName) {
  Touch("Therm0000.txt");
  Pattern("Therm0000.txt", 0);
  EXPECT_EQ(BUILDFILESTR(), "Therm0000.txt");
  EXPECT_EQ(BUILDFILESTR(), "Therm0000.txt");
  EXPECT_EQ(Settings.FileNumber, -1);
}

TEST_F(LogNamesTest, PatternWithoutZerosTurnsSwitchingOff) {
  Pattern("Data.txt", 12);
  EXPECT_EQ(BUILDFILESTR(), "Data.txt");
  EXPECT_EQ(Settings.SwitchHrs, 0);
  EXPECT_EQ(Settings.FileNumber, -1);
  Pattern("Log000.txt", 1);
  EXPECT_EQ(BUILDFILESTR(), "Log000.txt");
  EXPECT_EQ(Settings.SwitchHrs, 0);
}

TEST_F(LogNamesTest, FirstFreeNamesOfPatterns) {
  struct NameCase {
    std::string pattern;
    std::vector<std::string> existing;
    std::vector<std::string> names;  // from successive calls
    std::string prefix, suffix;
  };
  const NameCase cases[] = {
      {"Therm0000.txt", {}, {"Therm0000.txt", "Therm0001.txt"}, "Therm", ".txt"},
      {"Therm0000.txt",
       {"Therm0000.txt", "Therm0001.txt", "Therm0003.txt"},
       {"Therm0002.txt", "Therm0004.txt", "Therm0005.txt"},
       "Therm",
       ".txt"},
      {"Log00000.csv", {}, {"Log0000.csv", "Log0001.csv"}, "Log", ".csv"},
      {"Log00000.csv", {"Log0000.csv"}, {"Log0001.csv"}, "Log", ".csv"},
      {"T0000_000.txt", {}, {"T0000_000.txt", "T0001_000.txt"}, "T", "_000.txt"},
      {"0000", {}, {"0000", "0001"}, "", ""},
      {"Log000000", {"Log0000"}, {"Log0001"}, "Log", ""},
      {"A00001.txt", {}, {"A00001.txt", "A00011.txt"}, "A", "1.txt"},
      {"a0000b0000.txt", {"a0000b0000.txt"}, {"a0001b0000.txt"}, "a", "b0000.txt"},
      // Only ordinary files are taken: a directory of that name is free.
      {"Dir0000", {}, {"Dir0000"}, "Dir", ""},
  };
  std::filesystem::create_directory(dir_.Path("Dir0000"));
  for (const NameCase& c : cases) {
    Settings.FileNumber = -1;
    for (const std::string& name : c.existing) Touch(name);
    Pattern(c.pattern, 1);
    for (const std::string& name : c.names) {
      EXPECT_EQ(BUILDFILESTR(), name) << c.pattern;
      EXPECT_EQ(Settings.FileStr, name);
    }
    EXPECT_EQ(Settings.FilePrefix, c.prefix) << c.pattern;
    EXPECT_EQ(Settings.FileSuffix, c.suffix) << c.pattern;
    EXPECT_EQ(Settings.SwitchHrs, 1);
    for (const std::string& name : c.existing) std::filesystem::remove(dir_.Path(name));
  }
}

TEST_F(LogNamesTest, NumbersNeverGoBackDuringARun) {
  Touch("Therm0000.txt");
  Touch("Therm0001.txt");
  Pattern("Therm0000.txt", 2);
  EXPECT_EQ(BUILDFILESTR(), "Therm0002.txt");
  std::filesystem::remove(dir_.Path("Therm0000.txt"));
  EXPECT_EQ(BUILDFILESTR(), "Therm0003.txt");
  EXPECT_EQ(Settings.FileNumber, 3);
}

TEST_F(LogNamesTest, NamesInASubdirectoryWithBackslashes) {
  std::filesystem::create_directory(dir_.Path("logs"));
  Touch("logs/Therm0000.txt");
  Pattern("logs\\Therm0000.txt", 1);
  EXPECT_EQ(BUILDFILESTR(), "logs\\Therm0001.txt");
}

TEST_F(LogNamesTest, EveryNumberTakenUsesTheLastNameTried) {
  // Names are patterns: "F[0421]x" matches F0x, F1x, F2x or F4x, so the ten
  // files F0x to F9x take all 10,000 names of this pattern.
  for (char d = '0'; d <= '9'; ++d) Touch(std::string("F") + d + "x");
  Pattern("F[0000]x", 1);
  EXPECT_EQ(BUILDFILESTR(), "F[9999]x");
  EXPECT_EQ(Settings.FileNumber, 9999);
  // The numbers wrap: the next search ends at the same last name.
  EXPECT_EQ(BUILDFILESTR(), "F[9999]x");
  EXPECT_EQ(Settings.FileNumber, 19999);
  std::filesystem::remove(dir_.Path("F0x"));
  std::filesystem::remove(dir_.Path("F1x"));
  EXPECT_EQ(BUILDFILESTR(), "F[0000]x");
  EXPECT_EQ(Settings.FileNumber, 20000);
  EXPECT_EQ(BUILDFILESTR(), "F[0001]x");
}

class EvalGlobalsTest : public LogNamesTest {
 protected:
  void SetUp() override {
    LogNamesTest::SetUp();
    Settings.IniFileName = "lab.ini";
    Settings.PortStr = "COM1:9600,N,8,1";
  }
};

TEST_F(EvalGlobalsTest, MissingPortStringEndsTheRunFirst) {
  Settings.PortStr.clear();
  Settings.StdOut = 1;
  Pattern("Therm0000.txt", 1);
  EXPECT_EQ(EVALGLOBALS(), 57);
  EXPECT_EQ(Settings.ExitCode, 57);
  EXPECT_EQ(Printed(),
            "*** FATAL ERROR ****: PortStr not found in lab.ini\r\n"
            "***ERROR*** exit, ExitCode: 57\r\n");
  EXPECT_EQ(Settings.FileStr, "Therm0000.txt");
  EXPECT_EQ(Settings.FileNumber, -1);
  EXPECT_EQ(Settings.StatusStr, "");
}

TEST_F(EvalGlobalsTest, BuildsTheFirstNameAndShowsTheStatus) {
  Touch("Therm0000.txt");
  Settings.StdOut = 1;
  Pattern("Therm0000.txt", 6);
  EXPECT_EQ(EVALGLOBALS(), 0);
  EXPECT_EQ(Settings.FileStr, "Therm0001.txt");
  EXPECT_NE(Settings.StatusStr.find("\r\nLogging data to: Therm0001.txt\r\n"), std::string::npos);
  EXPECT_EQ(Printed(), Settings.StatusStr + "\r\n");
}

TEST_F(EvalGlobalsTest, StatusIsBuiltButNotShownWithoutStdOut) {
  Pattern("Therm0000.txt", 0);
  EXPECT_EQ(EVALGLOBALS(), 0);
  EXPECT_EQ(Settings.FileStr, "Therm0000.txt");
  EXPECT_NE(Settings.StatusStr.find("Logging data to: Therm0000.txt"), std::string::npos);
  EXPECT_EQ(Printed(), "");
}

TEST_F(EvalGlobalsTest, SwitchingTurnedOffBeforeTheStatusIsBuilt) {
  Pattern("Data.txt", 12);
  EXPECT_EQ(EVALGLOBALS(), 0);
  EXPECT_EQ(Settings.SwitchHrs, 0);
  EXPECT_EQ(Settings.FileStr, "Data.txt");
  EXPECT_NE(Settings.StatusStr.find("Logging data to: Data.txt"), std::string::npos);
}

TEST_F(EvalGlobalsTest, NoFileStrLineMeansNoLogFile) {
  Settings.SwitchHrs = 6;
  EXPECT_EQ(EVALGLOBALS(), 0);
  EXPECT_EQ(Settings.FileStr, "");
  EXPECT_EQ(Settings.LogToFile, 0);
  EXPECT_EQ(Settings.StatusStr.find("Logging data to"), std::string::npos);
}

}  // namespace
