// --exec commands through /bin/sh: the minute each gets, and what ending one
// ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/support/temp_dir.hpp"
#include "watcher/commands.hpp"
#include "watcher/watch_run.hpp"

namespace {

const Event kRaise{"2026-12-09T06:00:00", "raise", "high", "9", "8"};

TEST(CommandsOnPosix, EndedAfterAMinuteNotBefore) {
  Commands commands("sleep 30");
  testing::internal::CaptureStderr();
  commands.Start(kRaise, "therm.log", 0);
  commands.Check(59'000'000);
  EXPECT_TRUE(commands.Running());
  commands.Check(60'000'000);
  EXPECT_FALSE(commands.Running());
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("ran past 60 s and was ended"), std::string::npos) << said;
}

// A failure is said with its status as soon as the command has ended.
TEST(CommandsOnPosix, AFailureIsSaidWhenItEnds) {
  Commands commands("exit 3");
  testing::internal::CaptureStderr();
  commands.Start(kRaise, "therm.log", 0);
  for (int waited = 0; waited < 10000 && commands.Running(); waited += 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    commands.Check(1'000'000);
  }
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(commands.Running());
  EXPECT_NE(said.find("for 2026-12-09T06:00:00,raise,high,9,8 failed (exit status 3)"),
            std::string::npos)
      << said;
  // Without --exec no process is started at all.
  Commands none("");
  none.Start(kRaise, "therm.log", 0);
  EXPECT_FALSE(none.Running());
}

// Each event of a watch runs the command, with the event in its environment.
TEST(CommandsOnPosix, EveryEventRunsTheCommand) {
  TempDir dir;
  std::string log = dir.Write("therm.log", "2026-12-09 06:00:00 9\r\n2026-12-09 06:01:00 7\r\n");
  WatchOptions options;
  LogSource source;
  std::string error;
  ASSERT_TRUE(ScanWatchOptions(
      {"--once", "--high", "8", "--exec", "touch " + dir.path() + "/$BRENWATCH_EVENT", log},
      options, error));
  ASSERT_TRUE(ReadLogSource(log, source, error)) << error;
  EventOutput output;
  output.SetStandardOutput(false);
  EXPECT_TRUE(WatchOnce(options, source, output));
  EXPECT_TRUE(FileExists(dir.Path("raise")));
  EXPECT_TRUE(FileExists(dir.Path("clear")));
}

// Gone, or a zombie nobody reaps (as under a container's init).
bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return kill(pid, 0) != 0;
  size_t close = line.rfind(')');
  return close != std::string::npos && line.compare(close, 4, ") Z ") == 0;
}

// A mail command's helpers must not outlive the command they belong to.
TEST(CommandsOnPosix, EndingACommandEndsWhatItStarted) {
  TempDir dir;
  std::string pid_file = dir.Path("pid");
  Commands commands("sh -c 'echo $$ > " + pid_file + ".new; mv " + pid_file + ".new " + pid_file +
                    "; exec sleep 30' & wait");
  testing::internal::CaptureStderr();
  commands.Start(kRaise, "therm.log", 0);
  pid_t helper = 0;
  for (int waited = 0; waited < 10000 && helper == 0; waited += 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ifstream(pid_file) >> helper;
  }
  ASSERT_GT(helper, 0);
  commands.Check(60'000'000);
  testing::internal::GetCapturedStderr();
  bool gone = false;
  for (int waited = 0; waited < 2000 && !gone; waited += 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gone = Gone(helper);
  }
  EXPECT_TRUE(gone);
  if (!gone) kill(helper, SIGKILL);
}

}  // namespace
