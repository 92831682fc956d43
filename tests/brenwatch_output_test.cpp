// Where brenwatch's event lines go: a console that takes nothing never holds
// up the watch, and the alarm log follows its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

size_t Lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(BrenwatchOutput, AConsoleNobodyReadsHoldsUpNoAlarm) {
  TempDir dir;
  std::string log = dir.Write("therm.log", "7\n");
  std::string alarms = dir.Path("alarms.txt");
  // The test reads nothing of its standard output until the end: 4000 event
  // lines are more than a pipe holds.
  Child watch({BRENWATCH_PATH, "--plain", "--from-start", "--high", "8", "--alarm-log", alarms,
               log});
  std::string crossings;
  for (int i = 0; i < 2000; ++i) crossings += "9\n7\n";
  std::ofstream(log, std::ios::app) << crossings;
  size_t logged = 0;
  for (int waited = 0; waited < 30000 && logged < 4000; waited += 100) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    logged = Lines(ReadWholeFile(alarms));
  }
  EXPECT_EQ(logged, 4000u);
  watch.Signal(SIGTERM);
  EXPECT_EQ(watch.Wait(15000), 0) << watch.err();
  EXPECT_EQ(Lines(watch.out()), 4000u);
}

TEST(BrenwatchOutput, AnAlarmLogRotatedOrDeletedIsStartedAnewByItsName) {
  TempDir dir;
  std::string log = dir.Write("therm.log", "7\n");
  std::string alarms = dir.Path("alarms.txt");
  Child watch({BRENWATCH_PATH, "--plain", "--from-start", "--high", "8", "--alarm-log", alarms,
               log});
  auto append_and_wait = [&](const char* reading, const char* event) {
    std::ofstream(log, std::ios::app) << reading << "\n";
    return watch.WaitForOutput(event, 10000);
  };
  ASSERT_TRUE(append_and_wait("9", ",raise,")) << watch.err();
  std::filesystem::rename(alarms, dir.Path("alarms.1.txt"));
  ASSERT_TRUE(append_and_wait("7", ",clear,")) << watch.err();
  std::filesystem::remove(alarms);
  ASSERT_TRUE(append_and_wait("9.5", ",raise,high,9.5")) << watch.err();
  watch.Signal(SIGTERM);
  EXPECT_EQ(watch.Wait(15000), 0) << watch.err();
  // Each file holds exactly the lines written while it had the name.
  std::string first = ReadWholeFile(dir.Path("alarms.1.txt"));
  EXPECT_EQ(Lines(first), 1u) << first;
  EXPECT_NE(first.find(",raise,high,9,8\n"), std::string::npos) << first;
  std::string last = ReadWholeFile(alarms);
  EXPECT_EQ(Lines(last), 1u) << last;
  EXPECT_NE(last.find(",raise,high,9.5,8\n"), std::string::npos) << last;
}

}  // namespace
