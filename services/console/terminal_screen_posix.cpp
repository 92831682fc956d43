#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "services/console/console.hpp"
#include "services/console/job_control_posix.hpp"
#include "services/console/key_buffer.hpp"
#include "services/console/terminal_screen.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/exit/write_all_posix.hpp"

namespace {

// Alternate screen, cursor hidden, no wrapping at the right margin.
constexpr char kEnter[] = "\x1b[?1049h\x1b[?25l\x1b[?7l\x1b[H\x1b[2J";
constexpr char kLeave[] = "\x1b[?7h\x1b[?25h\x1b[?1049l";
constexpr TerminalSize kUsualSize{80, 24};

// Read by RestoreTerminalScreen and the stop handler from signal handlers.
// `screen_wanted`: a screen is open and not given back for good;
// `screen_shown`: the terminal is switched to it now.
volatile sig_atomic_t screen_wanted = 0;
volatile sig_atomic_t screen_shown = 0;
volatile sig_atomic_t screen_lost = 0;
bool restore_registered = false;

void Show() {
  screen_shown = 1;
  WriteAll(STDOUT_FILENO, kEnter, sizeof kEnter - 1);
}

void Hide() {
  if (!screen_shown) return;
  screen_shown = 0;
  WriteAll(STDOUT_FILENO, kLeave, sizeof kLeave - 1);
}

bool InBackground() {
  pid_t foreground = tcgetpgrp(STDOUT_FILENO);
  return foreground != -1 && foreground != getpgrp();
}

void OnResize(int) {}

// A resize interrupts the main loop's wait (poll is never restarted), so
// the new size is drawn at once; other calls are restarted.
void WakeOnResize() {
  struct sigaction action {};
  action.sa_handler = OnResize;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGWINCH, &action, nullptr);
}

// The handlers found when the screen opened (the keyboard's own, which puts
// its terminal settings back while stopped), by position in kStopSignals.
struct sigaction handlers_before[3];

void OnStop(int signal_number);

// The shell gets its own screen back while the job is stopped; the next
// draw after it continues in the foreground takes the terminal again.
void OnStop(int signal_number) {
  int saved_errno = errno;
  Hide();
  screen_lost = 1;
  size_t at = 0;
  while (kStopSignals[at] != signal_number) ++at;
  const struct sigaction& before = handlers_before[at];
  if (!(before.sa_flags & SA_SIGINFO) && before.sa_handler != SIG_DFL &&
      before.sa_handler != SIG_IGN) {
    before.sa_handler(signal_number);  // returns once continued
  } else {
    StopNow(signal_number);
  }
  CatchWithStopsHeld(signal_number, OnStop);
  errno = saved_errno;
}

void InstallStopHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (size_t at = 0; at < 3; ++at) {
    sigaction(kStopSignals[at], nullptr, &handlers_before[at]);
    // A job started with them ignored keeps them ignored.
    if (handlers_before[at].sa_handler != SIG_IGN) CatchWithStopsHeld(kStopSignals[at], OnStop);
  }
}

bool TerminalCanPlaceText() {
  const char* name = getenv("TERM");
  return name == nullptr || (std::strcmp(name, "dumb") != 0 && name[0] != '\0');
}

class PosixTerminalScreen final : public TerminalScreen {
 public:
  PosixTerminalScreen() {
    if (!restore_registered) {
      restore_registered = true;
      atexit(RestoreTerminalScreen);
    }
    RegisterExitCleanup(RestoreTerminalScreen);
    WakeOnResize();
    // After the keyboard's terminal is raw, so its stop handler comes first.
    DropTypedKeys();
    InstallStopHandlers();
    screen_wanted = 1;
    Show();
  }
  ~PosixTerminalScreen() override { RestoreTerminalScreen(); }

  bool NeedsRedraw() override {
    if (!screen_lost) return false;
    screen_lost = 0;
    return true;
  }

  TerminalSize Size() override {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
      return kUsualSize;
    return {size.ws_col, size.ws_row};
  }

  // One write per screen, each row cleared just before its text, so a
  // redraw never flickers through an empty screen. A row is not cleared
  // behind its text: behind a full row the cursor sits on its last cell.
  void Draw(std::string_view screen) override {
    DropTypedKeys();
    if (!screen_wanted) return;
    if (!screen_shown) {
      // Continued in the background: the shell keeps the terminal.
      if (InBackground()) {
        screen_lost = 1;
        return;
      }
      Show();
    }
    frame_.clear();
    int row = 0;
    for (bool more = true; more;) {
      size_t end = screen.find('\n');
      more = end != std::string_view::npos;
      frame_ += "\x1b[" + std::to_string(++row) + ";1H\x1b[2K";
      frame_.append(screen.substr(0, end));
      if (more) screen.remove_prefix(end + 1);
    }
    if (row < Size().rows) frame_ += "\x1b[" + std::to_string(row + 1) + ";1H\x1b[J";
    WriteAll(STDOUT_FILENO, frame_.data(), frame_.size());
  }

 private:
  // Keeps the keyboard's terminal raw (no echo) for as long as the process
  // runs, restored by the console's own guard on every way out.
  static void DropTypedKeys() {
    KeyBuffer ignored;
    ProcessConsole().CollectKeys(ignored);
  }

  std::string frame_;
};

}  // namespace

std::unique_ptr<TerminalScreen> OpenTerminalScreen() {
  if (!isatty(STDOUT_FILENO) || !TerminalCanPlaceText()) return nullptr;
  return std::make_unique<PosixTerminalScreen>();
}

void RestoreTerminalScreen() {
  screen_wanted = 0;
  Hide();
}
