#include "logger/config_test_fixture.hpp"

namespace {

using config_test::ConfigTest;

using InitializeTest = ConfigTest;

TEST_F(InitializeTest, BannerIsSixCrLfLines) {
  EXPECT_EQ(Settings.BannerStr,
            "Program Name: Brenmark.exe\r\n"
            "Program Vers: 1.0.5 (8 October  2013)\r\n"
            "Written by the Brenmark developers.\r\n"
            "Free software under the MIT License.\r\n"
            "No warranties of any kind either expressed or implied.\r\n"
            "Please read 'Brenmark.ini' for help.\r\n");
}

TEST_F(InitializeTest, StampsStartFromTheClock) {
  clock_.now = LocalTime{2014, 2, 1, 21, 5, 0, true};
  INITALIZEGLOBALS();
  EXPECT_EQ(Settings.StartDate, "02-01-2014");
  EXPECT_EQ(Settings.StartTime, "21:05:00");
  EXPECT_EQ(Settings.CurHour, 21);
  EXPECT_EQ(Settings.LastHour, 21);
}

// A second call resets whatever a run changed, except the log file number.
TEST_F(InitializeTest, ResetsEarlierValuesButKeepsFileNumber) {
  Settings.PortStr = "COM1:";
  Settings.ExitKey = 65;
  Settings.EolStr = "\n";
  Settings.UserStr4 = "?S";
  Settings.HourCount = 5;
  Settings.AvrDebugMode = -1;
  Settings.DegreeOffset = 1.25f;
  Settings.AvrRawMode = 0;
  Settings.Delimiter = ", ";
  Settings.FileNumber = 7;
  EXPECT_EQ(INITALIZEGLOBALS(), 0);
  EXPECT_EQ(Settings.PortStr, "");
  EXPECT_EQ(Settings.ExitKey, 27);
  EXPECT_EQ(Settings.EolStr, "\r\n");
  EXPECT_EQ(Settings.UserStr4, "");
  EXPECT_EQ(Settings.HourCount, 0);
  EXPECT_EQ(Settings.AvrDebugMode, 0);
  EXPECT_EQ(Settings.DegreeOffset, 0.0f);
  EXPECT_EQ(Settings.AvrRawMode, -1);
  EXPECT_EQ(Settings.Delimiter, "\t");
  EXPECT_EQ(Settings.FileNumber, 7);
}

}  // namespace
