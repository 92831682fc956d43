#include "services/console/console_queue.hpp"

#include <algorithm>

namespace {

// Echoes of a flood join into blocks of about this size, so a queue of a
// megabyte is a handful of allocations, and the oldest go a block at a time.
constexpr size_t kEchoBlockBytes = 64 * 1024;

}  // namespace

std::string NotShownLine(uint64_t count) {
  return "***Warning*** " + std::to_string(count) +
         " received lines not shown: the console did not take them in time\r\n";
}

void ConsoleQueue::Push(std::string_view bytes, bool echo) {
  if (bytes.empty()) return;
  size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  if (echo && dropped_at_end_ == 0 && !blocks_.empty() && blocks_.back().echo &&
      blocks_.back().bytes.size() + bytes.size() <= kEchoBlockBytes) {
    blocks_.back().bytes.append(bytes);
    blocks_.back().lines += lines;
  } else {
    blocks_.push_back(Block{std::string(bytes), lines, echo, dropped_at_end_});
    dropped_at_end_ = 0;
  }
  if (!echo) return;
  echo_bytes_ += bytes.size();
  DropOldestEchoes();
}

void ConsoleQueue::DropOldestEchoes() {
  auto it = blocks_.begin();
  while (echo_bytes_ > echo_limit_ && it != blocks_.end()) {
    if (!it->echo) {
      ++it;
      continue;
    }
    echo_bytes_ -= it->bytes.size();
    uint64_t dropped = it->not_shown_before + it->lines;
    it = blocks_.erase(it);
    if (it != blocks_.end()) {
      it->not_shown_before += dropped;
    } else {
      dropped_at_end_ += dropped;
    }
  }
}

bool ConsoleQueue::Take(std::string& out) {
  out.clear();
  if (blocks_.empty()) {
    if (dropped_at_end_ != 0) out = notice_(dropped_at_end_);
    dropped_at_end_ = 0;
    return !out.empty();
  }
  Block& front = blocks_.front();
  if (front.echo) echo_bytes_ -= front.bytes.size();
  if (front.not_shown_before == 0) {
    out.swap(front.bytes);
  } else {
    out = notice_(front.not_shown_before) + front.bytes;
  }
  blocks_.pop_front();
  return true;
}

void ConsoleQueue::Clear() {
  blocks_.clear();
  echo_bytes_ = 0;
  dropped_at_end_ = 0;
}
