// The process console on real pseudo-terminals and pipes. Each case forks a
// child whose standard input is the terminal or pipe; the child runs the
// console code and reports what it saw over a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "tests/support/process.hpp"

namespace {

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

void Send(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// What arrives on fd until its end, `until` appears, or the time is up.
std::string Receive(int fd, int timeout_ms, std::string_view until = {}) {
  std::string got;
  long long end = NowMs() + timeout_ms;
  for (long long left; (left = end - NowMs()) > 0;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buf[65536];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
    if (!until.empty() && got.find(until) != std::string::npos) break;
  }
  return got;
}

// Exit status, 128 + signal when killed; -1 (child killed) after the time.
int WaitFor(pid_t pid, int timeout_ms = 5000) {
  long long end = NowMs() + timeout_ms;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (NowMs() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(2000);
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

void Report(int fd, const std::string& text) {
  Send(fd, text);
}

// A child whose standard input is `input`, or the terminal at
// `terminal_path` as its controlling terminal, and standard output `output`
// (-1: inherited); `unused` (the test's end of a pipe) is closed in it. Its body
// reports on `report`; the child ends through exit() with the body's value,
// so exit-time restores run as in a real program.
struct Forked {
  pid_t pid = -1;
  int report = -1;  // read end
  ~Forked() {
    if (pid > 0) WaitFor(pid, 100);
    if (report >= 0) close(report);
  }
};

void Fork(Forked& child, const std::string& terminal_path, int input, int output,
          const std::function<int(int report)>& body, int unused = -1) {
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(pipe_fds[0]);
    if (unused >= 0) close(unused);
    setsid();
    if (!terminal_path.empty()) {
      input = open(terminal_path.c_str(), O_RDWR);
      ioctl(input, TIOCSCTTY, 0);
    }
    dup2(input, STDIN_FILENO);
    if (output >= 0) dup2(output, STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    std::exit(body(pipe_fds[1]));
  }
  close(pipe_fds[1]);
  child.pid = pid;
  child.report = pipe_fds[0];
}

std::string CodeText(const std::string& key) {
  if (KeyCode(key) == 255 && key.size() == 2) {
    return "255:" + std::to_string(static_cast<unsigned char>(key[1])) + " ";
  }
  return std::to_string(KeyCode(key)) + " ";
}

// Reports every key until Ctrl+D or the end of the input; "R " once the
// first poll has been made.
int ReportKeys(int report) {
  PollKey();
  Report(report, "R ");
  long long end = NowMs() + 5000;
  while (NowMs() < end) {
    std::string key = PollKey();
    if (!key.empty()) {
      Report(report, CodeText(key));
      if (KeyCode(key) == 4) return 0;
    } else if (ProcessConsole().KeysExhausted()) {
      Pause(-1);  // must not wait for a key that cannot come
      Report(report, "EOF");
      return 0;
    } else {
      usleep(300);
    }
  }
  return 1;
}

struct Terminal {
  Terminal() : pty(false) {
    slave = open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
    tcgetattr(slave, &before);
  }
  ~Terminal() { close(slave); }
  termios Now() const {
    termios t;
    tcgetattr(slave, &t);
    return t;
  }
  Pty pty;
  int slave = -1;
  termios before;
};

bool SameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

TEST(ProcessConsoleTest, TerminalKeysBecomeKeyCodes) {
  Terminal terminal;
  Forked child;
  Fork(child, terminal.pty.slave_path(), -1, -1, ReportKeys);
  ASSERT_EQ(Receive(child.report, 3000, "R "), "R ");

  terminal.pty.Write("a\x1b[A\x1bOP\x1b[24~\x1bx\x1a\x1b[99;9z\x1b[?25hb\r\x1c");
  usleep(100000);
  terminal.pty.Write("\x1b");  // alone: the Escape key
  usleep(100000);
  terminal.pty.Write("\x1b[1;5D\x04");
  EXPECT_EQ(Receive(child.report, 3000),
            "97 255:72 255:59 255:134 255:45 26 98 13 28 27 255:115 4 ");
  EXPECT_EQ(WaitFor(child.pid), 0);
  child.pid = -1;
  // Nothing was echoed back to the terminal.
  EXPECT_EQ(terminal.pty.Read(50), "");
}

TEST(ProcessConsoleTest, TerminalIsRawWhileKeysAreReadAndRestoredOnEveryEnding) {
  struct Ending {
    const char* name;
    int status;
    std::function<void(pid_t)> end;
    std::function<int(int)> body;
  };
  auto wait_then_return = [](int report) {
    PollKey();
    Report(report, "R ");
    usleep(300000);
    return 0;
  };
  auto wait_for_term = [](int report) {
    InstallSignalHandlers();
    PollKey();
    Report(report, "R ");
    for (int i = 0; i < 500; ++i) usleep(10000);
    return 99;
  };
  auto raise_error = [](int report) -> int {
    PollKey();
    Report(report, "R ");
    usleep(300000);
    RaiseRuntimeError(3, -1);
  };
  const Ending endings[] = {
      {"normal end", 0, [](pid_t) {}, wait_then_return},
      {"SIGTERM", 13, [](pid_t pid) { kill(pid, SIGTERM); }, wait_for_term},
      {"run-time error", 3, [](pid_t) {}, raise_error},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    Terminal terminal;
    Forked child;
    Fork(child, terminal.pty.slave_path(), -1, -1, ending.body);
    ASSERT_EQ(Receive(child.report, 3000, "R "), "R ");

    termios raw = terminal.Now();
    EXPECT_EQ(raw.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_NE(raw.c_lflag & ISIG, 0u);
    EXPECT_EQ(raw.c_iflag & (IXON | ICRNL), 0u);
    EXPECT_EQ(raw.c_cc[VSUSP], _POSIX_VDISABLE);
    EXPECT_EQ(raw.c_oflag, terminal.before.c_oflag);

    ending.end(child.pid);
    EXPECT_EQ(WaitFor(child.pid), ending.status);
    child.pid = -1;
    EXPECT_TRUE(SameSettings(terminal.Now(), terminal.before));
  }
}

TEST(ProcessConsoleTest, RestoreConsolePutsTheTerminalBackAndAPollMakesItRawAgain) {
  Terminal terminal;
  Forked child;
  Fork(child, terminal.pty.slave_path(), -1, -1, [](int report) {
    PollKey();
    Report(report, "raw ");
    usleep(200000);
    RestoreConsole();
    Report(report, "restored ");
    usleep(200000);
    PollKey();
    Report(report, "raw ");
    usleep(200000);
    return 0;
  });
  ASSERT_EQ(Receive(child.report, 3000, "raw "), "raw ");
  EXPECT_FALSE(SameSettings(terminal.Now(), terminal.before));
  ASSERT_EQ(Receive(child.report, 3000, "restored "), "restored ");
  EXPECT_TRUE(SameSettings(terminal.Now(), terminal.before));
  ASSERT_EQ(Receive(child.report, 3000, "raw "), "raw ");
  EXPECT_FALSE(SameSettings(terminal.Now(), terminal.before));
  EXPECT_EQ(WaitFor(child.pid), 0);
  child.pid = -1;
  EXPECT_TRUE(SameSettings(terminal.Now(), terminal.before));
}

TEST(ProcessConsoleTest, ABackgroundJobLeavesTheTerminalAloneInsteadOfStopping) {
  Terminal terminal;
  Forked child;
  Fork(child, terminal.pty.slave_path(), -1, -1, [](int report) {
    pid_t job = fork();
    if (job == 0) {
      setpgid(0, 0);
      Report(report, PollKey().empty() ? "no key " : "key ");
      std::exit(0);
    }
    int status = 0;
    waitpid(job, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
      Report(report, "stopped");
      kill(job, SIGKILL);
      waitpid(job, &status, 0);
    }
    return 0;
  });
  EXPECT_EQ(Receive(child.report, 3000), "no key ");
  EXPECT_EQ(WaitFor(child.pid), 0);
  child.pid = -1;
  EXPECT_TRUE(SameSettings(terminal.Now(), terminal.before));
}

TEST(ProcessConsoleTest, PipedBytesAreKeyCodesUntilTheEnd) {
  int keys[2];
  ASSERT_EQ(pipe(keys), 0);
  Forked child;
  Fork(child, "", keys[0], -1, ReportKeys, keys[1]);
  close(keys[0]);
  ASSERT_EQ(Receive(child.report, 3000, "R "), "R ");
  Send(keys[1], std::string("ab\x1b[A\0c\xE9", 8));
  close(keys[1]);
  // No escape decoding and no NUL key; the end neither hangs nor spins.
  EXPECT_EQ(Receive(child.report, 3000), "97 98 27 91 65 99 233 EOF");
  EXPECT_EQ(WaitFor(child.pid), 0);
  child.pid = -1;
}

TEST(ProcessConsoleTest, WaitForKeyReturnsAtOnceOnAnEmptyInput) {
  int null = open("/dev/null", O_RDONLY);
  Forked child;
  Fork(child, "", null, -1, [](int report) {
    long long start = NowMs();
    Pause(-1);
    Pause(-1);
    Report(report, PollKey().empty() && NowMs() - start < 1000 ? "ok" : "waited");
    return 0;
  });
  close(null);
  EXPECT_EQ(Receive(child.report, 3000), "ok");
}

TEST(ProcessConsoleTest, LinesReachANonBlockingPipeWhole) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  fcntl(out[1], F_SETFL, O_NONBLOCK);
  int null = open("/dev/null", O_RDONLY);
  std::string big(1 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  Forked child;
  Fork(
      child, "", null, out[1],
      [&big](int) {
        PrintLine(big);
        PrintLine("end");
        return 0;
      },
      out[0]);
  close(null);
  close(out[1]);
  std::string got = Receive(out[0], 10000);
  close(out[0]);
  EXPECT_EQ(WaitFor(child.pid), 0);
  child.pid = -1;
  ASSERT_EQ(got.size(), big.size() + 7);
  EXPECT_TRUE(got.compare(0, big.size(), big) == 0);
  EXPECT_EQ(got.substr(big.size()), "\r\nend\r\n");
}

}  // namespace
