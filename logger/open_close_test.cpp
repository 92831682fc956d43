// Opening and closing the port and the log file: the messages of each
// failure, the final log line and the closing message.
#include <gtest/gtest.h>

#include <string>

#include "logger/run_test_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

const char kMissingPort[] = "/nonexistent/ttyX:9600,N,8,1,CS0,DS0,CD0";

TEST(OpenCommunications, MissingPortIsFiftyEightAndTheLogIsStillOpened) {
  RunFakes fakes;
  CloseFile(kPortFileNumber);
  TempDir dir;
  Settings.PortStr = kMissingPort;
  Settings.LogToFile = 1;
  Settings.FileStr = dir.Path("log.txt");
  EXPECT_EQ(OPENCOMMUNICATIONS(), kPortOpenFailed);
  EXPECT_EQ(Settings.ExitCode, kPortOpenFailed);
  EXPECT_EQ(fakes.console.out, "***Fatal Error*** opening com port using string: \r\n" +
                                   std::string(kMissingPort) +
                                   "\r\nError code was: 2\r\n***ERROR*** exit, ExitCode: 58\r\n");
  EXPECT_TRUE(FileExists(dir.Path("log.txt")));
}

TEST(OpenCommunications, MissingPortAndFolderGiveFiftyEightThenFiftyNine) {
  RunFakes fakes;
  CloseFile(kPortFileNumber);
  TempDir dir;
  Settings.PortStr = kMissingPort;
  Settings.LogToFile = 1;
  Settings.FileStr = dir.Path("nofolder/log.txt");
  EXPECT_EQ(OPENCOMMUNICATIONS(), kLogOpenFailed);
  EXPECT_EQ(fakes.console.out,
            "***Fatal Error*** opening com port using string: \r\n" + std::string(kMissingPort) +
                "\r\nError code was: 2\r\n***ERROR*** exit, ExitCode: 58\r\n"
                "***Error*** opening file: " +
                dir.Path("nofolder/log.txt") +
                "\r\nError reported was: 2\r\n***ERROR*** exit, ExitCode: 59\r\n");
}

TEST(OpenCommunications, WithoutLogFileNoFileIsTouched) {
  RunFakes fakes;
  CloseFile(kPortFileNumber);
  Settings.PortStr = kMissingPort;
  Settings.LogToFile = 0;
  EXPECT_EQ(OPENCOMMUNICATIONS(), kPortOpenFailed);
  EXPECT_EQ(ChannelAt(kLogFileNumber), nullptr);
}

struct CloseCase {
  const char* name;
  int32_t ending;
  int port_close;
  int log_close;
  int8_t result;
  std::string console;
};

class CloseTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseTest, ClosesReportsAndLeavesTheFinalLine) {
  const CloseCase& c = GetParam();
  RunFakes fakes;
  fakes.clock.Set(2013, 10, 8, 14, 5, 9);
  FakeLogFile& log = fakes.LogToFake("Therm0007.txt");
  log.close_result = c.log_close;
  fakes.port->close_result = c.port_close;
  Settings.EolStr = "\n";
  Settings.ExitCode = c.ending;
  std::string given;
  log.given = &given;
  EXPECT_EQ(CLOSECOMMUNICATIONS(), c.result);
  EXPECT_EQ(Settings.ExitCode, c.result);
  EXPECT_EQ(fakes.console.out, c.console);
  EXPECT_EQ(ChannelAt(kPortFileNumber), nullptr);
  EXPECT_EQ(ChannelAt(kLogFileNumber), nullptr);
  EXPECT_EQ(given, "Exit Code: " + std::to_string(c.ending) + " at 14:05:09 on 10-08-2013\r\n");
}

const CloseCase kCloseCases[] = {
    {"ExitKey", 50, 0, 0, 50, "Normal exit, User pressed exit key\r\n"},
    {"Eot", 51, 0, 0, 51, "Normal exit, EOT recieved in data stream\r\n"},
    {"ReadFailure", 60, 0, 0, 60, "***ERROR*** exit, ExitCode: 60\r\n"},
    {"WriteFailure", 61, 0, 0, 61, "***ERROR*** exit, ExitCode: 61\r\n"},
    {"PortCloseFails", 50, 3, 0, 62,
     "***Error*** closing file COM port\r\nError reported was: 3\r\n"
     "Normal exit, User pressed exit key\r\n"},
    {"LogCloseFails", 51, 0, 3, 63,
     "***Error*** closing file: Therm0007.txt\r\nError reported was: 3\r\n"
     "Normal exit, EOT recieved in data stream\r\n"},
    {"BothFail", 60, 3, 3, 63,
     "***Error*** closing file COM port\r\nError reported was: 3\r\n"
     "***Error*** closing file: Therm0007.txt\r\nError reported was: 3\r\n"
     "***ERROR*** exit, ExitCode: 60\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Endings, CloseTest, ::testing::ValuesIn(kCloseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CloseCommunications, FinalLineIsCrLfAndMonthFirst) {
  RunFakes fakes;
  TempDir dir;
  std::string path = dir.Write("log.txt", "old\n");
  ASSERT_EQ(OpenFile(kLogFileNumber, path, OpenMode::kAppend), 0);
  Settings.LogToFile = 1;
  Settings.FileStr = path;
  Settings.EolStr = "\n";
  Settings.ExitCode = kEndOfTransmission;
  fakes.clock.Set(2013, 10, 8, 14, 5, 9);
  EXPECT_EQ(CLOSECOMMUNICATIONS(), kEndOfTransmission);
  EXPECT_EQ(ReadWholeFile(path), "old\nExit Code: 51 at 14:05:09 on 10-08-2013\r\n");
}

TEST(CloseCommunications, AFullLogAtTheEndIsSaidButKeepsTheEnding) {
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake("Therm0007.txt");
  log.write_result = 3;
  Settings.ExitCode = kEndOfTransmission;
  EXPECT_EQ(CLOSECOMMUNICATIONS(), kEndOfTransmission);
  EXPECT_EQ(fakes.console.out,
            "***Warning*** the Exit Code line could not be written to: Therm0007.txt\r\n"
            "Error reported was: 3\r\n"
            "Normal exit, EOT recieved in data stream\r\n");
}

TEST(CloseCommunications, WithoutLogFileNothingIsWritten) {
  RunFakes fakes;
  Settings.LogToFile = 0;
  Settings.ExitCode = kExitKeyPressed;
  EXPECT_EQ(CLOSECOMMUNICATIONS(), kExitKeyPressed);
  EXPECT_EQ(fakes.console.out, "Normal exit, User pressed exit key\r\n");
}

}  // namespace
