#include "tests/support/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, 100);
        continue;
      }
      return;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

Pty::Pty(bool raw) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
    throw std::runtime_error("cannot open a pseudo-terminal");
  slave_path_ = ptsname(master_);
  if (raw) {
    int slave = open(slave_path_.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
      termios t;
      tcgetattr(slave, &t);
      cfmakeraw(&t);
      tcsetattr(slave, TCSANOW, &t);
      close(slave);
    }
  }
}

Pty::~Pty() {
  if (master_ >= 0) close(master_);
}

void Pty::Write(std::string_view bytes) const {
  WriteAll(master_, bytes);
}

std::string Pty::Read(int timeout_ms, std::string_view until) const {
  std::string got;
  long long end = NowMs() + timeout_ms;
  for (;;) {
    long long left = end - NowMs();
    if (left <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buf[4096];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      break;
    }
    got.append(buf, static_cast<size_t>(n));
    if (!until.empty() && got.find(until) != std::string::npos) break;
  }
  return got;
}

Child::Child(const std::vector<std::string>& argv, const SpawnOptions& options) {
  int in_pipe[2] = {-1, -1}, out_pipe[2], err_pipe[2];
  if (options.stdin_kind == Stdin::kPipe && pipe2(in_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  if (options.stdin_kind == Stdin::kPty) pty_ = new Pty(false);

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    setsid();
    int in = -1;
    if (options.stdin_kind == Stdin::kPipe) {
      in = in_pipe[0];
    } else if (options.stdin_kind == Stdin::kPty) {
      in = open(pty_->slave_path().c_str(), O_RDWR);
      ioctl(in, TIOCSCTTY, 0);
    } else {
      in = open("/dev/null", O_RDONLY);
    }
    dup2(in, 0);
    dup2(options.stdout_to_pty && pty_ ? in : out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
    for (const auto& e : options.env) putenv(const_cast<char*>(e.c_str()));
    signal(SIGPIPE, SIG_DFL);
    execv(args[0], args.data());
    _exit(127);
  }
  if (options.stdin_kind == Stdin::kPipe) {
    close(in_pipe[0]);
    stdin_fd_ = in_pipe[1];
  } else if (pty_) {
    stdin_fd_ = pty_->master();
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
  fcntl(out_fd_, F_SETFL, O_NONBLOCK);
  fcntl(err_fd_, F_SETFL, O_NONBLOCK);
}

Child::~Child() {
  if (status_ == -2 && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (stdin_fd_ >= 0 && !pty_) close(stdin_fd_);
  if (out_fd_ >= 0) close(out_fd_);
  if (err_fd_ >= 0) close(err_fd_);
  delete pty_;
}

void Child::Type(std::string_view bytes) {
  if (stdin_fd_ >= 0) WriteAll(stdin_fd_, bytes);
}

void Child::CloseStdin() {
  if (stdin_fd_ >= 0 && !pty_) {
    close(stdin_fd_);
    stdin_fd_ = -1;
  }
}

void Child::Pump(int timeout_ms) {
  char buf[65536];
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  if (out_fd_ < 0 && err_fd_ < 0) {
    // Both pipes are at their end: only wait out the time.
    poll(nullptr, 0, timeout_ms);
  } else if (poll(fds, 2, timeout_ms) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? out_ : err_).append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EAGAIN) {
        int& fd = i == 0 ? out_fd_ : err_fd_;
        close(fd);
        fd = -1;
      }
    }
  }
  // Keep a pty from filling up when nobody reads the terminal's output.
  if (pty_) {
    pollfd p{pty_->master(), POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
      ssize_t n = read(pty_->master(), buf, sizeof buf);
      if (n > 0) terminal_out_.append(buf, static_cast<size_t>(n));
    }
  }
}

bool Child::WaitForOutput(std::string_view text, int timeout_ms) {
  long long end = NowMs() + timeout_ms;
  while (out_.find(text) == std::string::npos) {
    long long left = end - NowMs();
    if (left <= 0) return false;
    Pump(static_cast<int>(left < 20 ? left : 20));
  }
  return true;
}

int Child::Wait(int timeout_ms) {
  if (status_ != -2) return status_;
  long long end = NowMs() + timeout_ms;
  for (;;) {
    int raw;
    pid_t r = waitpid(pid_, &raw, WNOHANG);
    if (r == pid_) {
      // Drain what is still in the pipes.
      for (int i = 0; i < 50; ++i) {
        size_t before = out_.size() + err_.size();
        Pump(10);
        if (out_.size() + err_.size() == before) break;
      }
      status_ = DecodeStatus(raw);
      return status_;
    }
    if (NowMs() >= end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      status_ = -1;
      return status_;
    }
    Pump(10);
  }
}

void Child::Signal(int signal_number) {
  kill(pid_, signal_number);
}

RunResult RunProgram(const std::vector<std::string>& argv, std::string_view input,
                     const std::string& cwd, const std::vector<std::string>& env, int timeout_ms) {
  SpawnOptions options;
  options.stdin_kind = Stdin::kPipe;
  options.cwd = cwd;
  options.env = env;
  Child child(argv, options);
  child.Type(input);
  child.CloseStdin();
  RunResult result;
  result.status = child.Wait(timeout_ms);
  result.out = child.out();
  result.err = child.err();
  return result;
}

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t at = 0; at <= folders.size();) {
    size_t end = folders.find(':', at);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(at, end - at) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return {};
}
