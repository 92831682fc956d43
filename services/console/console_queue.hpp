#pragma once
// Console output that waits for a console which does not take it now. Lines
// that must be seen (reports, help, command texts) are all kept; echoes of
// received lines beyond `echo_limit` bytes are dropped oldest first, and one
// line in their place says how many were not shown.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

// The line that stands for `count` dropped lines.
using NotShownNotice = std::string (*)(uint64_t count);
std::string NotShownLine(uint64_t count);

class ConsoleQueue {
 public:
  explicit ConsoleQueue(size_t echo_limit, NotShownNotice notice = NotShownLine)
      : echo_limit_(echo_limit), notice_(notice) {}

  // `bytes` holds whole lines, each ended by CR LF.
  void Push(std::string_view bytes, bool echo);
  // Moves the next stretch to write into `out`; false when nothing waits.
  bool Take(std::string& out);
  bool Empty() const { return blocks_.empty() && dropped_at_end_ == 0; }
  void Clear();

 private:
  struct Block {
    std::string bytes;
    size_t lines = 0;
    bool echo = false;
    uint64_t not_shown_before = 0;
  };
  void DropOldestEchoes();

  std::deque<Block> blocks_;
  size_t echo_bytes_ = 0;
  size_t echo_limit_;
  NotShownNotice notice_;
  uint64_t dropped_at_end_ = 0;
};
