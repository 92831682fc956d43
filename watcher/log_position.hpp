#pragma once
// A place in a source's logs and a line read there: what the follower hands
// out and the shipping state keeps.
#include <cstdint>
#include <string>
#include <string_view>

// Where a reader stands in the logs: which file, known by its name, its
// identity and what it begins with (a file system may give a replacement
// the old inode number), and the byte just past the last whole line taken.
// Saved and restored by the shipper's state file.
struct LogPosition {
  std::string file;  // the log file's name; empty: no log yet
  // Device and inode (volume serial and file index on Windows); 0: none read.
  uint64_t identity = 0;
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
