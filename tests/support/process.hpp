#pragma once
// Running the real programs in tests: pipes, /dev/null, and pseudo-terminals
// (also as the controlling terminal, so Ctrl+C raises SIGINT).
#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

// A pseudo-terminal pair; the test holds the master side.
class Pty {
 public:
  // raw: no echo, no line editing, no output processing on the slave side.
  explicit Pty(bool raw = true);
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  int master() const { return master_; }
  const std::string& slave_path() const { return slave_path_; }
  void Write(std::string_view bytes) const;
  // Reads what arrives within timeout_ms (stops early once `until` is seen).
  std::string Read(int timeout_ms, std::string_view until = {}) const;

 private:
  int master_ = -1;
  std::string slave_path_;
};

enum class Stdin { kNull, kPipe, kPty };

struct SpawnOptions {
  Stdin stdin_kind = Stdin::kNull;
  std::string cwd;               // empty: the test's own
  std::vector<std::string> env;  // "NAME=value" added to the environment
  bool stdout_to_pty = false;    // with kPty: stdout is the terminal too
};

// A running program. Its standard output and error are collected from pipes.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const SpawnOptions& options = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  // Keys: to the pipe or the pty master, whichever stdin is.
  void Type(std::string_view bytes);
  void CloseStdin();
  // Reads output until `text` has appeared on stdout or the time is up.
  bool WaitForOutput(std::string_view text, int timeout_ms);
  // Waits for the end; returns the exit status (128 + signal when killed),
  // or -1 after timeout_ms (the child is then killed).
  int Wait(int timeout_ms = 10000);
  void Signal(int signal_number);
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  // The pty master (kPty only), e.g. to read terminal settings.
  int terminal() const { return pty_ ? pty_->master() : -1; }
  const Pty* pty() const { return pty_; }
  // What the program wrote to the terminal (stdout_to_pty).
  const std::string& terminal_out() const { return terminal_out_; }

 private:
  void Pump(int timeout_ms);
  pid_t pid_ = -1;
  int stdin_fd_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  Pty* pty_ = nullptr;
  std::string out_;
  std::string err_;
  std::string terminal_out_;
  int status_ = -2;
};

struct RunResult {
  int status = -1;  // exit status, 128 + signal when killed, -1 on timeout
  std::string out;
  std::string err;
};

// Runs a program to its end with the given standard input (a pipe that is
// closed after the bytes), in `cwd` when not empty.
RunResult RunProgram(const std::vector<std::string>& argv, std::string_view input = {},
                     const std::string& cwd = {}, const std::vector<std::string>& env = {},
                     int timeout_ms = 20000);

// The program's path in a folder of PATH (RunProgram searches none); empty
// when it is in none.
std::string FindOnPath(const std::string& name);
