#pragma once
// A whole terminal taken over for one screen that is redrawn in place: the
// alternate screen with the cursor hidden, given back as it was on every way
// out (destructor, exit, signals that end the run, error reports).
#include <memory>
#include <string_view>

struct TerminalSize {
  int columns = 0;
  int rows = 0;
  bool operator==(const TerminalSize&) const = default;
};

class TerminalScreen {
 public:
  virtual ~TerminalScreen() = default;
  // The visible size in character cells.
  virtual TerminalSize Size() = 0;
  // Replaces what is shown: one line per row from the top, lines separated
  // by '\n' and each no wider than the terminal; the rows below are cleared.
  virtual void Draw(std::string_view screen) = 0;
  // True once after what was drawn was lost (the job was stopped and given
  // the terminal back): draw again now.
  virtual bool NeedsRedraw() { return false; }
};

// Standard output's terminal, or null when standard output is no terminal
// (or one that cannot place text). On POSIX keys typed at the screen are
// read and dropped, so they neither echo into it nor scroll it.
std::unique_ptr<TerminalScreen> OpenTerminalScreen();
// Gives the terminal back now. Safe in a signal handler; does nothing when
// no screen is open.
void RestoreTerminalScreen();
