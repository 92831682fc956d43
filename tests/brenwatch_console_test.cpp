// brenwatch's console output never holds up the watch.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

size_t Lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(BrenwatchConsole, AnOutputNobodyReadsHoldsUpNoAlarm) {
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

}  // namespace
