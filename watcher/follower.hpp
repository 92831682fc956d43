#pragma once
// Follows the log files a running brenmark writes, like tail -F: complete
// lines only, across the switch to the next numbered file, a new run (which
// takes the first free number, possibly a lower one), a file truncated or
// replaced, and a log that does not exist yet. Holds no file open between
// polls that brenmark would need.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "watcher/log_position.hpp"
#include "watcher/log_source.hpp"

class Follower {
 public:
  explicit Follower(const LogSource& source);
  ~Follower();
  Follower(const Follower&) = delete;
  Follower& operator=(const Follower&) = delete;

  void StartAtEnd();        // the end of the current log (plain follow)
  void StartAtBeginning();  // the beginning of the current log (--from-start)
  void StartAtFirst();      // every existing log of the source, oldest first (--once)
  // A saved position; when its file is gone or was replaced, the logs changed
  // after it was read are read from their beginning. A position of no file
  // read (identity 0) reads every log from its beginning.
  void StartAt(const LogPosition& saved);
  // Where reading stands: saved at the start, it loses and invents nothing.
  LogPosition Position() const;

  // Hands each complete line now available to `take`, in order, each once;
  // at most `limit` lines. Returns how many were handed.
  size_t Poll(const std::function<void(const LogLine&)>& take,
              size_t limit = std::numeric_limits<size_t>::max());
  // True when the last Poll reached the end of every log (what --once needs).
  bool AtEnd() const;
  // Waits at most `milliseconds` for the followed files to change (inotify on
  // Linux; a directory-change wait or a 1 s look on Windows). Costs nothing
  // while nothing is written.
  void Wait(int milliseconds);
  // The log file being read now (for the screen and BRENWATCH_LOG).
  std::string CurrentFile() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
