#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "services/exit/write_all_posix.hpp"
#include "services/process/external_program.hpp"

ExternalRun RunWithInput(const std::vector<std::string>& argv, std::string_view input, int output,
                         int error_output) {
  ExternalRun run;
  if (argv.empty()) return run;
  int data[2];
  int report[2];  // close-on-exec: stays silent unless exec fails
  if (pipe(data) != 0) return run;
  if (pipe(report) != 0) {
    close(data[0]);
    close(data[1]);
    return run;
  }
  if (fcntl(report[1], F_SETFD, FD_CLOEXEC) != 0) {
    for (int fd : {data[0], data[1], report[0], report[1]}) close(fd);
    return run;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(data[0], 0);
    close(data[0]);
    close(data[1]);
    close(report[0]);
    if (output >= 0) dup2(output, 1);
    if (error_output >= 0) dup2(error_output, 2);
    execvp(args[0], args.data());
    int error = errno;
    WriteAll(report[1], reinterpret_cast<const char*>(&error), sizeof error);
    _exit(127);
  }
  close(data[0]);
  close(report[1]);
  if (pid < 0) {
    close(data[1]);
    close(report[0]);
    return run;
  }
  int exec_error = 0;
  ssize_t got;
  do {
    got = read(report[0], &exec_error, sizeof exec_error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  run.started = got == 0;
  // A program that stops reading early must not end this one with SIGPIPE.
  struct sigaction ignore = {};
  struct sigaction previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  if (run.started) run.input_taken = WriteAll(data[1], input.data(), input.size());
  close(data[1]);
  sigaction(SIGPIPE, &previous, nullptr);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return run;
  }
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.status = 128 + WTERMSIG(status);
  return run;
}

bool TerminalSize(int& columns, int& lines) {
  struct winsize size = {};
  if (ioctl(1, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
  columns = size.ws_col;
  lines = size.ws_row;
  return true;
}
