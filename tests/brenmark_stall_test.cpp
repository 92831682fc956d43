// Nothing the logger talks to can stop it logging: a console that never
// reads (or went away) and a device that never reads.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/brenmark_run_support.hpp"

namespace {

using brenmark_run::LoggerRun;
using brenmark_run::Masked;
using Steady = std::chrono::steady_clock;

// Waits for a process that has no Child; -1 after `timeout_ms` (then killed).
int WaitFor(pid_t pid, int timeout_ms) {
  auto end = Steady::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (Steady::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

struct ConsoleCase {
  const char* name;
  bool reader_gone;  // as `| head -2` after head ended; else nobody reads
};

class StalledConsoleTest : public ::testing::TestWithParam<ConsoleCase> {};

TEST_P(StalledConsoleTest, EveryLineReachesTheLogAndTheRunEndsOnEot) {
  constexpr int kLines = 20000;
  TempDir dir;
  Child device({THERMOSIM_PATH, "--quiet", "--flood", std::to_string(kLines)});
  ASSERT_TRUE(device.WaitForOutput("\n", 10000));
  std::string port_string = device.out().substr(0, device.out().find('\n'));
  dir.Write("sim.ini", "PORTSTR=" + port_string + "\nFILESTR=log.txt\nSTDOUT=YES\n");

  int console[2];
  ASSERT_EQ(pipe(console), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDERR_FILENO);
    dup2(console[1], STDOUT_FILENO);
    close(console[0]);
    // Killed by a broken pipe is what the shell does by default.
    signal(SIGPIPE, SIG_DFL);
    if (chdir(dir.path().c_str()) == 0) execl(BRENMARK_PATH, BRENMARK_PATH, "sim.ini", nullptr);
    _exit(127);
  }
  close(console[1]);
  if (GetParam().reader_gone) close(console[0]);
  EXPECT_EQ(WaitFor(pid, 60000), 51);
  if (!GetParam().reader_gone) close(console[0]);

  std::string expected;
  for (int i = 1; i <= kLines; ++i) expected += std::to_string(i) + "\r\n";
  expected += "Exit Code: 51 at T on M\r\n";
  EXPECT_TRUE(Masked(ReadWholeFile(dir.Path("log.txt"))) == expected);
}

INSTANTIATE_TEST_SUITE_P(BrenmarkStall, StalledConsoleTest,
                         ::testing::Values(ConsoleCase{"NeverRead", false},
                                           ConsoleCase{"ReaderGone", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BrenmarkStall, ADeviceThatNeverReadsLeavesTheExitKeyAndTheLogWorking) {
  // The device side of the terminal is never read: it holds some 18 KB.
  LoggerRun run("FILESTR={dir}/log.txt\nUSERSTR1=" + std::string(2000, 'x') + "\n");
  Child& child = run.Start(Stdin::kPipe);
  // Typed as a person types: a second key that was already waiting would
  // not cut the wait for it short.
  for (int i = 0; i < 12; ++i) {
    child.Type("U");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    child.Type("1");
    run.device.Write("line " + std::to_string(i) + "\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (int i = 12; i < 20; ++i) run.device.Write("line " + std::to_string(i) + "\r\n");
  ASSERT_TRUE(child.WaitForOutput("line 19\r\n", 20000)) << child.out();
  auto pressed = Steady::now();
  child.Type("\x1b");
  EXPECT_EQ(child.Wait(20000), 50);
  // Two seconds asked for; the margin is for a loaded machine.
  EXPECT_LT(Steady::now() - pressed, std::chrono::seconds(8));
  std::string log = run.Log();
  for (int i = 0; i < 20; ++i) {
    EXPECT_NE(log.find("line " + std::to_string(i) + "\r\n"), std::string::npos) << i;
  }
}

}  // namespace
