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

#include "watcher/log_source.hpp"

// Where a reader stands in the logs: which file, known by its name, its
// identity and what it begins with (a file system may give a replacement
// the old inode number), and the byte just past the last whole line taken.
// Saved and restored by the shipper's state file.
struct LogPosition {
  std::string file;          // the log file's name; empty: no log yet
  uint64_t identity = 0;     // device and inode (volume serial and file index on Windows); 0: none read
  uint64_t offset = 0;       // byte just past the last line taken
  uint64_t head = 0;         // hash of its first head_length bytes
  uint32_t head_length = 0;  // 0: what it begins with is not known
  int64_t modified = 0;      // its change time when read: orders it among the run's files
  bool operator==(const LogPosition&) const = default;
};

struct LogLine {
  std::string_view text;  // without its line end; valid during the call only
  LogPosition after;      // the position just past this line's end
};

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
