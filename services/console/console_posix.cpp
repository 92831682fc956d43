#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "services/console/console.hpp"
#include "services/console/console_writer.hpp"
#include "services/console/job_control_posix.hpp"
#include "services/console/key_decoder.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/time/clock.hpp"

namespace {

// Read by RestoreConsole from signal handlers, hence plain globals.
termios saved_terminal;
volatile sig_atomic_t terminal_changed = 0;
bool restore_registered = false;

// A terminal sends the bytes of one key together; a lone ESC is the Escape
// key once this much time has passed without more.
constexpr int64_t kEscapeWaitMicros = 10000;
// More than the key buffer holds; a flood of piped bytes would only drop.
constexpr size_t kReadChunk = 512;

// False when the console is gone for good (a closed pipe or terminal).
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard output may have been left non-blocking by someone else.
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, -1);
      continue;
    }
    return false;  // Nowhere to write to; the run itself goes on.
  }
  return true;
}

// Signals are for the program's own thread: a handler that ran on the
// output thread would close files under a loop still running.
void KeepSignalsAway() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
}

// Reading from, or setting, the terminal of another process group would stop
// this process (SIGTTIN/SIGTTOU); a logger started in the background reads no
// keys until it is brought to the foreground.
bool InBackground() {
  pid_t foreground = tcgetpgrp(STDIN_FILENO);
  return foreground != -1 && foreground != getpgrp();
}

// Safe in a signal handler.
bool EnterRawMode() {
  termios settings;
  if (tcgetattr(STDIN_FILENO, &settings) != 0) return false;
  saved_terminal = settings;
  settings.c_lflag &= ~(ECHO | ICANON | IEXTEN);
  settings.c_iflag &= ~(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  // Ctrl+Z and Ctrl+\ are keys (26, 28) as on the PC; only Ctrl+C signals.
  settings.c_cc[VSUSP] = _POSIX_VDISABLE;
  settings.c_cc[VQUIT] = _POSIX_VDISABLE;
  terminal_changed = 1;
  // TCSANOW: keys typed ahead stay for the first poll.
  if (tcsetattr(STDIN_FILENO, TCSANOW, &settings) != 0) {
    terminal_changed = 0;
    return false;
  }
  return true;
}

// Set while stopped with the terminal put back, so that SIGCONT makes it raw.
volatile sig_atomic_t raw_after_stop = 0;

void OnStop(int signal_number);

// The shell gets its terminal back as it was while the job is stopped.
void OnStop(int signal_number) {
  int saved_errno = errno;
  if (terminal_changed) {
    RestoreConsole();
    raw_after_stop = 1;
  }
  StopNow(signal_number);
  CatchWithStopsHeld(signal_number, OnStop);
  errno = saved_errno;
}

// Continued in the foreground: raw again at once. In the background the
// next key poll after `fg` does it.
void OnContinue(int) {
  int saved_errno = errno;
  if (raw_after_stop && !terminal_changed && !InBackground()) EnterRawMode();
  raw_after_stop = 0;
  errno = saved_errno;
}

void InstallJobControl() {
  for (int s : kStopSignals) {
    struct sigaction current {};
    // A job started with them ignored keeps them ignored.
    if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    CatchWithStopsHeld(s, OnStop);
  }
  CatchWithStopsHeld(SIGCONT, OnContinue);
}

bool MakeTerminalRaw() {
  if (!restore_registered) {
    restore_registered = true;
    atexit(RestoreConsole);
    InstallJobControl();
  }
  RegisterExitCleanup(RestoreConsole);
  // A stop arriving halfway would find the settings half saved.
  sigset_t job_control, before;
  sigemptyset(&job_control);
  for (int s : kStopSignals) sigaddset(&job_control, s);
  sigaddset(&job_control, SIGCONT);
  sigprocmask(SIG_BLOCK, &job_control, &before);
  bool raw = EnterRawMode();
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return raw;
}

class PosixConsole final : public ConsoleDevice {
 public:
  ~PosixConsole() override { RestoreConsole(); }

  void Write(std::string_view bytes) override {
    if (writer_ != nullptr) {
      writer_->Write(bytes, false);
    } else {
      WriteAll(STDOUT_FILENO, bytes);
    }
  }

  void WriteEcho(std::string_view bytes) override {
    if (writer_ != nullptr) {
      writer_->Write(bytes, true);
    } else {
      WriteAll(STDOUT_FILENO, bytes);
    }
  }

  void Finish(int ms) override {
    if (writer_ != nullptr) writer_->Drain(ms);
  }

  void Queue() {
    if (writer_ != nullptr) return;
    // Never freed: at exit its thread may still wait in a write.
    writer_ =
        new ConsoleWriter([](std::string_view bytes) { return WriteAll(STDOUT_FILENO, bytes); },
                          ConsoleWriter::kEchoLimit, KeepSignalsAway);
  }

  void CollectKeys(KeyBuffer& keys) override {
    if (exhausted_) return;
    if (input_ == Input::kUnknown) {
      input_ = isatty(STDIN_FILENO) ? Input::kTerminal : Input::kStream;
    }
    if (input_ == Input::kTerminal && !terminal_changed) {
      if (InBackground()) return;
      if (!MakeTerminalRaw()) input_ = Input::kStream;
    }
    char bytes[kReadChunk];
    size_t count = ReadReady(bytes);
    if (input_ == Input::kStream) {
      for (size_t i = 0; i < count; ++i) {
        // Code 0 means "no key" to every caller.
        if (bytes[i] != '\0') keys.Push(static_cast<unsigned char>(bytes[i]));
      }
      return;
    }
    int64_t now = CurrentClock().MonotonicMicros();
    decoded_.clear();
    if (count > 0) {
      decoder_.Feed(std::string_view(bytes, count), decoded_);
      last_byte_micros_ = now;
    } else if (decoder_.Pending() && (exhausted_ || now - last_byte_micros_ >= kEscapeWaitMicros)) {
      decoder_.Flush(decoded_);
    }
    for (int code : decoded_) keys.Push(code);
  }

  bool KeysExhausted() override { return exhausted_; }

  int KeyWaitDescriptor() override {
    if (exhausted_) return kNoKeysComing;
    // Before the first poll the terminal is not raw yet; a half-read escape
    // sequence needs its time-out; a background job must not read at all.
    if (input_ == Input::kUnknown || decoder_.Pending()) return kCannotWatch;
    if (input_ == Input::kTerminal && (!terminal_changed || InBackground())) return kCannotWatch;
    return STDIN_FILENO;
  }

 private:
  enum class Input { kUnknown, kTerminal, kStream };

  // What standard input has ready now, without waiting; marks the end.
  size_t ReadReady(char* bytes) {
    for (;;) {
      pollfd p{STDIN_FILENO, POLLIN, 0};
      int ready = poll(&p, 1, 0);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return 0;
      if (p.revents & POLLNVAL) {
        exhausted_ = true;
        return 0;
      }
      ssize_t n = read(STDIN_FILENO, bytes, kReadChunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
      // End of a pipe or file, or a terminal that hung up.
      if (n <= 0) {
        exhausted_ = true;
        return 0;
      }
      return static_cast<size_t>(n);
    }
  }

  Input input_ = Input::kUnknown;
  bool exhausted_ = false;
  ConsoleWriter* writer_ = nullptr;
  KeyDecoder decoder_;
  std::vector<int> decoded_;
  int64_t last_byte_micros_ = 0;
};

}  // namespace

ConsoleDevice& ProcessConsole() {
  static PosixConsole console;
  return console;
}

void QueueConsoleOutput() {
  static_cast<PosixConsole&>(ProcessConsole()).Queue();
}

void RestoreConsole() {
  if (!terminal_changed) return;
  terminal_changed = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
}
