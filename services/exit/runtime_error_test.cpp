#include "services/exit/runtime_error.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "services/files/files.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

struct ReportCase {
  int number;
  int line;
  const char* module;
  const char* routine;
  const char* expected;
};

TEST(RuntimeErrorReport, ExactText) {
  const ReportCase cases[] = {
      {9, -1, "M", "COMMUNICATIONS",
       "\nAborting due to runtime error 9 (\"interrupted\" signal) in M::COMMUNICATIONS()\n\n"},
      {2, 12, "M", "READINIFILE",
       "\nAborting due to runtime error 2 (file not found) at line 12 of M::READINIFILE()\n\n"},
      {8, -1, "", "", "\nAborting due to runtime error 8 (no priviledges)\n\n"},
      {17, 0, "", "X", "\nAborting due to runtime error 17 (end of file)\n\n"},
      {18, -1, "M", "R", "\nAborting due to runtime error 18 in M::R()\n\n"},
      {255, 3, "", "", "\nAborting due to runtime error 255 at line 3\n\n"},
      {0, -1, "M", "R", "\nAborting due to runtime error 0 in M::R()\n\n"},
      {-1, -1, "", "", "\nAborting due to runtime error -1\n\n"},
      {13, -1, "main", "",
       "\nAborting due to runtime error 13 (\"termination request\" signal) in main()\n\n"},
      {3, 40, "main", "",
       "\nAborting due to runtime error 3 (file I/O error) at line 40 of main()\n\n"},
  };
  for (const ReportCase& c : cases) {
    EXPECT_EQ(RuntimeErrorReport(c.number, c.line, c.module, c.routine), c.expected)
        << c.number << " " << c.line;
  }
}

TEST(RuntimeErrorReport, LongNamesStopAtTheLimit) {
  std::string routine(5000, 'R');
  std::string report = RuntimeErrorReport(1, -1, "M", routine);
  EXPECT_EQ(report.size(), 1023u);
  EXPECT_EQ(report.substr(0, 46), "\nAborting due to runtime error 1 (illegal func");
}

TEST(RoutineScope, NestsAndRestores) {
  const char* outer_routine = CurrentRoutine();
  const char* outer_module = CurrentModule();
  {
    RoutineScope a("A", "ModA");
    EXPECT_STREQ(CurrentRoutine(), "A");
    {
      RoutineScope b("B", "ModB");
      EXPECT_STREQ(CurrentRoutine(), "B");
      EXPECT_STREQ(CurrentModule(), "ModB");
    }
    EXPECT_STREQ(CurrentRoutine(), "A");
    EXPECT_STREQ(CurrentModule(), "ModA");
  }
  EXPECT_EQ(CurrentRoutine(), outer_routine);
  EXPECT_EQ(CurrentModule(), outer_module);
}

struct ChildResult {
  int status = -1;  // exit status, 128 + signal when killed
  std::string err;
};

// Runs `body` in a forked child with stderr on a pipe; bounded by `seconds`.
ChildResult RunInChild(const std::function<void()>& body, int seconds = 10) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    dup2(pipe_fds[1], STDERR_FILENO);
    close(pipe_fds[1]);
    alarm(static_cast<unsigned>(seconds));
    body();
    _exit(99);
  }
  close(pipe_fds[1]);
  ChildResult result;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
    if (n > 0) {
      result.err.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
  return result;
}

struct SignalCase {
  int signal_number;
  int status;
  const char* expected;
};

TEST(SignalReport, EachSignalEndsWithItsNumber) {
  const SignalCase cases[] = {
      {SIGINT, 9,
       "\nAborting due to runtime error 9 (\"interrupted\" signal) in M::COMMUNICATIONS()\n\n"},
      {SIGILL, 10,
       "\nAborting due to runtime error 10 (\"illegal instruction\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGFPE, 11,
       "\nAborting due to runtime error 11 (\"floating point error\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGSEGV, 12,
       "\nAborting due to runtime error 12 (\"segmentation violation\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGBUS, 12,
       "\nAborting due to runtime error 12 (\"segmentation violation\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGTERM, 13,
       "\nAborting due to runtime error 13 (\"termination request\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGHUP, 13,
       "\nAborting due to runtime error 13 (\"termination request\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGABRT, 14,
       "\nAborting due to runtime error 14 (\"abnormal termination\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
      {SIGQUIT, 15,
       "\nAborting due to runtime error 15 (\"quit request\" signal) in "
       "M::COMMUNICATIONS()\n\n"},
  };
  for (const SignalCase& c : cases) {
    ChildResult result = RunInChild([&] {
      InstallSignalHandlers();
      RoutineScope scope("COMMUNICATIONS", "M");
      raise(c.signal_number);
    });
    EXPECT_EQ(result.status, c.status) << c.signal_number;
    EXPECT_EQ(result.err, c.expected) << c.signal_number;
  }
}

TEST(SignalReport, ClosedConsolePipeDoesNotEndTheRun) {
  ChildResult result = RunInChild([] {
    InstallSignalHandlers();
    int fds[2];
    if (pipe(fds) != 0) _exit(98);
    close(fds[0]);
    // The write fails with EPIPE and the program goes on to its own end.
    bool failed = write(fds[1], "x", 1) < 0 && errno == EPIPE;
    _exit(failed ? 0 : 97);
  });
  EXPECT_EQ(result.status, 0);
}

TEST(SignalReport, SignalFromOutsideWhileWaiting) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  int err_pipe[2];
  ASSERT_EQ(pipe(err_pipe), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(err_pipe[1], STDERR_FILENO);
    alarm(10);
    InstallSignalHandlers();
    RoutineScope scope("", "main");
    ssize_t ignored = write(ready[1], "r", 1);
    (void)ignored;
    for (;;) pause();
  }
  close(err_pipe[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(pid, SIGINT);
  std::string err;
  char buffer[512];
  ssize_t n;
  while ((n = read(err_pipe[0], buffer, sizeof buffer)) > 0) err.append(buffer, n);
  int status = 0;
  waitpid(pid, &status, 0);
  close(ready[0]);
  close(ready[1]);
  close(err_pipe[0]);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 9);
  EXPECT_EQ(err, "\nAborting due to runtime error 9 (\"interrupted\" signal) in main()\n\n");
}

int Recurse(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth < 0) return 0;  // never: keeps the compiler from seeing an endless loop
  return Recurse(depth + 1) + frame[0];
}

TEST(SignalReport, StackOverflowStillReports) {
  ChildResult result = RunInChild([] {
    rlimit limit{};
    getrlimit(RLIMIT_STACK, &limit);
    limit.rlim_cur = 4 * 1024 * 1024;
    setrlimit(RLIMIT_STACK, &limit);
    InstallSignalHandlers();
    RoutineScope scope("DEEP", "M");
    Recurse(0);
  });
  EXPECT_EQ(result.status, 12);
  EXPECT_EQ(result.err,
            "\nAborting due to runtime error 12 (\"segmentation violation\" signal) in "
            "M::DEEP()\n\n");
}

int cleanup_order[4];
int cleanup_runs = 0;
void CleanupA() {
  cleanup_order[cleanup_runs++] = 1;
}
void CleanupB() {
  cleanup_order[cleanup_runs++] = 2;
}

TEST(ExitCleanups, RunInReverseOrderAtMostOnce) {
  ChildResult result = RunInChild([] {
    RegisterExitCleanup(CleanupA);
    RegisterExitCleanup(CleanupB);
    RegisterExitCleanup(CleanupA);  // already there
    RunExitCleanups();
    RunExitCleanups();
    bool ok = cleanup_runs == 2 && cleanup_order[0] == 2 && cleanup_order[1] == 1;
    _exit(ok ? 0 : 1);
  });
  EXPECT_EQ(result.status, 0);
}

void SayRestored() {
  ssize_t ignored = write(STDERR_FILENO, "[restored]", 10);
  (void)ignored;
}

TEST(RaiseRuntimeError, CleansUpThenReportsAndExits) {
  TempDir dir;
  std::string path = dir.Path("out.txt");
  ChildResult result = RunInChild([&] {
    RegisterExitCleanup(SayRestored);
    OpenFile(7, path, OpenMode::kOutput);
    PrintFileLine(7, "kept");
    RoutineScope scope("READINIFILE", "M");
    RaiseRuntimeError(2, 12);
  });
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err,
            "[restored]\nAborting due to runtime error 2 (file not found) at line 12 of "
            "M::READINIFILE()\n\n");
  EXPECT_EQ(ReadWholeFile(path), "kept\r\n");
}

TEST(SignalReport, BufferedLinesReachTheDisk) {
  TempDir dir;
  std::string path = dir.Path("log.txt");
  for (int signal_number : {SIGINT, SIGTERM, SIGSEGV}) {
    ChildResult result = RunInChild([&] {
      InstallSignalHandlers();
      RegisterExitCleanup(SayRestored);
      OpenFile(3, path, OpenMode::kAppend);
      PrintFileLine(3, "first");
      PrintFileText(3, "second");
      raise(signal_number);
    });
    EXPECT_EQ(result.err.substr(0, 10), "[restored]") << signal_number;
    EXPECT_NE(result.status, 99);
  }
  EXPECT_EQ(ReadWholeFile(path), "first\r\nsecondfirst\r\nsecondfirst\r\nsecond");
}

TEST(SignalReport, OtherEndingSignalsCleanUpThenEndByTheSameSignal) {
  TempDir dir;
  std::string path = dir.Path("log.txt");
  for (int signal_number : {SIGUSR1, SIGALRM, SIGXFSZ, SIGSYS, SIGRTMIN + 1}) {
    ChildResult result = RunInChild([&] {
      rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
      InstallSignalHandlers();
      RegisterExitCleanup(SayRestored);
      OpenFile(3, path, OpenMode::kOutput);
      PrintFileText(3, "kept");
      raise(signal_number);
    });
    EXPECT_EQ(result.status, 128 + signal_number) << signal_number;
    EXPECT_EQ(result.err, "[restored]") << signal_number;
    EXPECT_EQ(ReadWholeFile(path), "kept") << signal_number;
  }
  for (int signal_number : {SIGUSR2, SIGHUP}) {  // SIGHUP: started under nohup
    ChildResult ignored = RunInChild([&] {
      signal(signal_number, SIG_IGN);
      InstallSignalHandlers();
      raise(signal_number);
    });
    EXPECT_EQ(ignored.status, 99) << "a signal ignored by the parent stays ignored: "
                                  << signal_number;
  }
}

TEST(NormalExit, ClosesNumberedFiles) {
  TempDir dir;
  std::string path = dir.Path("exit.txt");
  ChildResult result = RunInChild([&] {
    OpenFile(255, path, OpenMode::kOutput);
    PrintFileLine(255, "at exit");
    std::exit(0);
  });
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadWholeFile(path), "at exit\r\n");
}

}  // namespace
