// Log file switching: on which record it happens, where records and the
// final line go, and what a failed switch does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "logger/run_test_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

class Switching : public ::testing::Test {
 protected:
  // A run that started at 09:30 with the given switch period, its first log
  // file opened as the start-up does.
  void Start(int switch_hrs, const std::string& pattern = "Therm0000.txt") {
    fakes_.clock.Set(2013, 10, 8, 9, 30, 0);
    INITALIZEGLOBALS();
    Settings.PortStr = "/dev/pts/9:9600,N,8,1,CS0,DS0,CD0";
    Settings.FileStr = dir_.Path(pattern);
    Settings.LogToFile = 1;
    Settings.SwitchHrs = static_cast<int8_t>(switch_hrs);
    if (Settings.SwitchHrs != 0) Settings.FileStr = BUILDFILESTR();
    ASSERT_EQ(OpenFile(kLogFileNumber, Settings.FileStr, OpenMode::kAppend), 0);
  }
  // One record at the given time of the same day (or the next days).
  int8_t RecordAt(int day, int hour, int minute, const std::string& text) {
    fakes_.clock.Set(2013, 10, day, hour, minute, 0);
    std::string line = text;
    return PROCESSDATA(line);
  }
  std::string File(const std::string& name) { return ReadWholeFile(dir_.Path(name)); }

  RunFakes fakes_;
  TempDir dir_;
};

TEST_F(Switching, OnTheChangeAfterSwitchHrsChanges) {
  Start(1);
  EXPECT_EQ(RecordAt(8, 9, 45, "a"), 0);
  EXPECT_EQ(RecordAt(8, 10, 0, "b"), 0);  // first change: counted only
  EXPECT_EQ(RecordAt(8, 10, 59, "c"), 0);
  EXPECT_EQ(RecordAt(8, 11, 0, "d"), 0);  // second change: switch
  EXPECT_EQ(RecordAt(8, 12, 10, "e"), 0);
  EXPECT_EQ(RecordAt(8, 13, 0, "f"), 0);  // two changes later: switch again
  EXPECT_EQ(File("Therm0000.txt"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(File("Therm0001.txt"), "d\r\ne\r\n");
  EXPECT_EQ(File("Therm0002.txt"), "f\r\n");
  EXPECT_EQ(Settings.FileStr, dir_.Path("Therm0002.txt"));
  EXPECT_EQ(Settings.HourCount, 0);
}

TEST_F(Switching, TwoHoursFromHalfPastNine) {
  Start(2);
  for (int hour = 9; hour <= 11; ++hour) {
    for (int minute = 0; minute < 60; minute += 15) {
      if (hour == 9 && minute < 30) continue;
      ASSERT_EQ(RecordAt(8, hour, minute, "r"), 0);
    }
  }
  EXPECT_FALSE(FileExists(dir_.Path("Therm0001.txt")));
  RecordAt(8, 12, 0, "first of the new file");
  EXPECT_EQ(File("Therm0001.txt"), "first of the new file\r\n");
}

TEST_F(Switching, AGapWithoutRecordsCountsOnce) {
  Start(2);
  RecordAt(8, 10, 50, "a");
  RecordAt(8, 14, 10, "b");  // 10 -> 14 is one change
  EXPECT_FALSE(FileExists(dir_.Path("Therm0001.txt")));
  RecordAt(8, 15, 0, "c");
  EXPECT_EQ(File("Therm0001.txt"), "c\r\n");
}

TEST_F(Switching, NeverWithoutSwitchHoursOrNumberPlace) {
  for (auto [hours, pattern] : {std::pair{0, "Therm0000.txt"}, std::pair{3, "Data.txt"}}) {
    SCOPED_TRACE(pattern);
    Start(hours, pattern);
    std::string expected;
    for (int hour = 10; hour < 24; ++hour) {
      RecordAt(8, hour, 0, "x");
      expected += "x\r\n";
    }
    EXPECT_EQ(File(pattern), expected);
    EXPECT_EQ(Settings.FileStr, dir_.Path(pattern));
    EXPECT_EQ(Settings.SwitchHrs, 0);
    CloseFile(kLogFileNumber);
  }
}

TEST_F(Switching, ExistingFilesAreNeverAppendedTo) {
  dir_.Write("Therm0001.txt", "keep\r\n");
  dir_.Write("Therm0003.txt", "keep too\r\n");
  Start(1);  // first name: Therm0000.txt
  RecordAt(8, 10, 0, "a");
  RecordAt(8, 11, 0, "b");  // next free after 0000: 0002
  RecordAt(8, 12, 0, "c");
  RecordAt(8, 13, 0, "d");  // next free after 0002: 0004
  EXPECT_EQ(File("Therm0001.txt"), "keep\r\n");
  EXPECT_EQ(File("Therm0003.txt"), "keep too\r\n");
  EXPECT_EQ(File("Therm0002.txt"), "b\r\nc\r\n");
  EXPECT_EQ(File("Therm0004.txt"), "d\r\n");
}

TEST_F(Switching, FinalLineGoesToTheCurrentFile) {
  Start(1);
  RecordAt(8, 10, 0, "a");
  RecordAt(8, 11, 0, "b");
  fakes_.clock.Set(2013, 10, 8, 11, 2, 3);
  Settings.ExitCode = kExitKeyPressed;
  EXPECT_EQ(CLOSECOMMUNICATIONS(), kExitKeyPressed);
  EXPECT_EQ(File("Therm0000.txt"), "a\r\n");
  EXPECT_EQ(File("Therm0001.txt"), "b\r\nExit Code: 50 at 11:02:03 on 10-08-2013\r\n");
}

TEST_F(Switching, StatusTextNamesTheNewFile) {
  Start(1);
  BUILDSTATUSSTR();
  EXPECT_NE(Settings.StatusStr.find("Therm0000.txt"), std::string::npos);
  RecordAt(8, 10, 0, "a");
  RecordAt(8, 11, 0, "b");
  EXPECT_NE(Settings.StatusStr.find("Logging data to: " + dir_.Path("Therm0001.txt")),
            std::string::npos);
  // Not printed at the switch.
  EXPECT_EQ(fakes_.console.out, "a\r\nb\r\n");
}

TEST_F(Switching, TwentyFourHoursSwitchOnTheTwentyFifthChange) {
  Start(24);
  int day = 8;
  int hour = 9;
  for (int change = 1; change <= 24; ++change) {
    if (++hour == 24) hour = 0, ++day;
    RecordAt(day, hour, 0, "r");
  }
  EXPECT_FALSE(FileExists(dir_.Path("Therm0001.txt")));
  RecordAt(day, hour + 1, 0, "new");
  EXPECT_EQ(File("Therm0001.txt"), "new\r\n");
}

TEST_F(Switching, FailedOpenCascadesIntoSixtyOneAndSixtyThree) {
  std::filesystem::create_directory(dir_.Path("sub"));
  Start(1, "sub/Therm0000.txt");
  RecordAt(8, 10, 0, "a");
  // The folder goes away while the run goes on: the next file cannot open.
  std::filesystem::remove_all(dir_.Path("sub"));
  const std::string next = dir_.Path("sub/Therm0001.txt");
  EXPECT_EQ(RecordAt(8, 11, 0, "b"), kLogWriteFailed);
  EXPECT_EQ(Settings.FileStr, next);
  EXPECT_EQ(CLOSECOMMUNICATIONS(), kLogCloseFailed);
  EXPECT_EQ(fakes_.console.out,
            "a\r\nb\r\n"
            "***Error*** opening file during file switch: " +
                next +
                "\r\n"
                "Error reported was: 2\r\n"
                "***ERROR*** ExitCode: 65\r\n"
                "***Error*** writting file: " +
                next +
                "\r\n"
                "Error reported was: 1\r\n"
                "***Error*** closing file: " +
                next +
                "\r\n"
                "Error reported was: 1\r\n"
                "***ERROR*** exit, ExitCode: 61\r\n");
}

TEST_F(Switching, FailedCloseEndsWithSixtyFour) {
  fakes_.clock.Set(2013, 10, 8, 9, 30, 0);
  INITALIZEGLOBALS();
  FakeLogFile& log = fakes_.LogToFake(dir_.Path("Therm0000.txt"));
  Settings.SwitchHrs = 1;
  log.close_result = 3;
  EXPECT_EQ(RecordAt(8, 10, 0, "a"), 0);
  // The old file stays current: the record that asked for the switch still
  // goes into it, and the run ends with 64.
  EXPECT_EQ(RecordAt(8, 11, 0, "b"), kSwitchCloseFailed);
  EXPECT_EQ(Settings.ExitCode, kSwitchCloseFailed);
  EXPECT_EQ(Settings.FileStr, dir_.Path("Therm0000.txt"));
  EXPECT_EQ(Settings.HourCount, 2);
  EXPECT_FALSE(FileExists(dir_.Path("Therm0001.txt")));
  const std::string old = dir_.Path("Therm0000.txt");
  EXPECT_EQ(fakes_.console.out,
            "a\r\nb\r\n"
            "***Error*** closing file during file switch: " +
                old +
                "\r\n"
                "Error reported was: 3\r\n");
  fakes_.clock.Set(2013, 10, 8, 11, 0, 5);
  EXPECT_EQ(CLOSECOMMUNICATIONS(), kSwitchCloseFailed);
  EXPECT_EQ(File("Therm0000.txt"), "b\r\nExit Code: 64 at 11:00:05 on 10-08-2013\r\n");
}

TEST_F(Switching, CheckAloneReportsItsCode) {
  Start(1);
  fakes_.clock.Set(2013, 10, 8, 9, 59, 0);
  EXPECT_EQ(CHECKTIME(), 0);
  EXPECT_EQ(Settings.HourCount, 0);
  fakes_.clock.Set(2013, 10, 8, 10, 0, 0);
  EXPECT_EQ(CHECKTIME(), 0);
  EXPECT_EQ(Settings.CurHour, 10);
  EXPECT_EQ(Settings.LastHour, 10);
  EXPECT_EQ(Settings.HourCount, 1);
}

}  // namespace
