// brenmark in a pseudo-terminal, ended or stopped by signals from outside:
// the terminal must come back the way it was every time.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "tests/brenmark_run_support.hpp"

namespace {

using brenmark_run::LoggerRun;

termios Settings(int terminal) {
  termios now{};
  EXPECT_EQ(tcgetattr(terminal, &now), 0);
  return now;
}

bool Same(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

bool Raw(const termios& t) {
  return (t.c_lflag & (ECHO | ICANON)) == 0 && t.c_cc[VSUSP] == _POSIX_VDISABLE;
}

// The first key poll after the start, or after a continue, makes it raw.
bool BecomesRaw(int terminal) {
  for (int i = 0; i < 500; ++i) {
    if (Raw(Settings(terminal))) return true;
    usleep(10000);
  }
  return false;
}

TEST(BrenmarkSignals, EndingSignalsLeaveTheTerminalAsItWas) {
  struct Case {
    int signal_number;
    int status;
    const char* report;
  };
  const Case cases[] = {
      {SIGTERM, 13, "error 13 (\"termination request\" signal)"},
      {SIGHUP, 13, "error 13 (\"termination request\" signal)"},
      {SIGQUIT, 15, "error 15 (\"quit request\" signal)"},
      {SIGUSR1, 128 + SIGUSR1, ""},
  };
  const termios before = Settings(Pty(false).master());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signal_number);
    LoggerRun run("FILESTR={dir}/log.txt\n");
    Child& child = run.Start(Stdin::kPty);
    ASSERT_TRUE(BecomesRaw(child.terminal()));
    for (int i = 0; i < 500 && run.Log() != "ready\r\n"; ++i) usleep(10000);
    child.Signal(c.signal_number);
    EXPECT_EQ(child.Wait(), c.status);
    EXPECT_NE(child.err().find(c.report), std::string::npos) << child.err();
    EXPECT_TRUE(Same(Settings(child.terminal()), before));
    EXPECT_EQ(run.Log(), "ready\r\n");
  }
}

// Under a job-control shell, as a user runs it: a job whose shell is gone
// would not stop at all. Its job control needs the terminal on standard
// error.
TEST(BrenmarkSignals, StopGivesTheTerminalBackAndContinueMakesItRawAgain) {
  const termios before = Settings(Pty(false).master());
  LoggerRun run("FILESTR={dir}/log.txt\n");
  SpawnOptions options;
  options.stdin_kind = Stdin::kPty;
  options.cwd = run.dir.path();
  const std::string script = std::string("exec 2>/dev/tty; set -m; ") + BRENMARK_PATH +
                             " test.ini; echo stopped-$?; read -r _; fg >/dev/null;"
                             " echo ended-$?";
  Child shell({"/bin/bash", "-c", script}, options);
  ASSERT_TRUE(shell.WaitForOutput("to exit.", 10000)) << shell.out() << shell.err();
  run.device.Write("ready\r\n");
  ASSERT_TRUE(shell.WaitForOutput("ready\r\n", 10000));
  ASSERT_TRUE(BecomesRaw(shell.terminal()));

  pid_t job = tcgetpgrp(shell.terminal());
  ASSERT_GT(job, 0);
  ASSERT_EQ(kill(-job, SIGTSTP), 0);
  ASSERT_TRUE(shell.WaitForOutput("stopped-148", 5000)) << shell.out() << shell.err();
  EXPECT_TRUE(Same(Settings(shell.terminal()), before));

  // A line for the shell's `read`, then `fg` continues the job in the
  // foreground: raw again, and keys work.
  shell.Type("go\r");
  run.device.Write("again\r\n");
  ASSERT_TRUE(shell.WaitForOutput("again\r\n", 5000)) << shell.err();
  EXPECT_TRUE(BecomesRaw(shell.terminal()));
  shell.Type("\x1b");
  ASSERT_TRUE(shell.WaitForOutput("ended-50", 5000)) << shell.out() << shell.err();
  EXPECT_EQ(shell.Wait(), 0);
  EXPECT_TRUE(Same(Settings(shell.terminal()), before));
}

}  // namespace
