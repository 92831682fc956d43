#include "watcher/shipping/first_reads.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>

#include "services/files/files.hpp"

namespace {

// "identity offset millisecond", nothing else: a line two writes ran
// together in is refused rather than misread.
bool ParseLine(std::string_view line, uint64_t& identity, uint64_t& offset, int64_t& millisecond) {
  const char* end = line.data() + line.size();
  std::from_chars_result read = std::from_chars(line.data(), end, identity);
  if (read.ec != std::errc() || read.ptr == end || *read.ptr != ' ') return false;
  read = std::from_chars(read.ptr + 1, end, offset);
  if (read.ec != std::errc() || read.ptr == end || *read.ptr != ' ') return false;
  read = std::from_chars(read.ptr + 1, end, millisecond);
  return read.ec == std::errc() && read.ptr == end;
}

}  // namespace

FirstReads::FirstReads(std::string path, std::function<void(const std::string&)> say)
    : path_(NativeFileName(path)), say_(std::move(say)) {
  std::error_code error;
  uintmax_t size = std::filesystem::file_size(path_, error);
  if (error || size == 0) return;
  end_ = size;
  // Lines are short: the last whole one is in the tail.
  std::string tail(static_cast<size_t>(std::min<uintmax_t>(size, 256)), '\0');
  {
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - tail.size()));
    if (!in.read(tail.data(), static_cast<std::streamsize>(tail.size()))) return;
  }
  size_t newline = tail.rfind('\n');
  if (newline + 1 != tail.size()) {
    // A run killed while writing: cut its broken line, which the next write
    // would otherwise continue.
    uint64_t whole = newline == std::string::npos ? 0 : size - tail.size() + newline + 1;
    if (newline == std::string::npos && size > tail.size()) whole = size;
    if (whole < size) std::filesystem::resize_file(path_, whole, error);
    if (whole == size || error) {
      newline_first_ = true;
    } else {
      end_ = whole;
    }
  }
  if (newline == std::string::npos) return;
  std::string_view before(tail.data(), newline);
  size_t start = before.rfind('\n');
  start = start == std::string_view::npos ? 0 : start + 1;
  any_ = ParseLine(before.substr(start), last_.identity, last_.offset, last_.millisecond);
}

void FirstReads::Note(uint64_t identity, uint64_t offset, int64_t millisecond) {
  if (unwritten_.size() >= kMostUnwritten) {
    if (!dropping_ && say_) {
      say_("cannot write " + path_ + " (" + failure_ +
           "); readings without stamps now get the time they are shipped until it can be written");
    }
    dropping_ = true;
    return;
  }
  if (gap_.known && gap_.identity == identity && offset > gap_.above && offset < gap_.below) {
    gap_.below = offset;
  }
  last_ = {identity, offset, millisecond};
  any_ = true;
  unwritten_.push_back(last_);
}

void FirstReads::StartAhead() {
  // A last one not met yet stays: the reader starts behind it again.
  if (!skipping_) skip_to_ = last_;
  skipping_ = any_ && !Empty();
}

void FirstReads::NoteAhead(uint64_t identity, uint64_t offset, int64_t millisecond) {
  if (skipping_) {
    // Within one file the lines come in order: a later line of the last
    // one's file is past it.
    if (identity != skip_to_.identity || offset < skip_to_.offset) return;
    skipping_ = false;
    if (offset == skip_to_.offset) return;
  }
  Note(identity, offset, millisecond);
}

void FirstReads::Flush() {
  if (unwritten_.empty()) return;
  std::string text = newline_first_ ? "\n" : "";
  for (const Read& read : unwritten_) {
    text += std::to_string(read.identity) + ' ' + std::to_string(read.offset) + ' ' +
            std::to_string(read.millisecond) + '\n';
  }
  std::error_code error;
  uintmax_t size = std::filesystem::file_size(path_, error);
  bool sized = !error;
  if (!sized) size = 0;
  errno = 0;
  std::FILE* file = std::fopen(path_.c_str(), "ab");
  bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  int number = errno;
  if (file && std::fclose(file) != 0 && written) {
    number = errno;
    written = false;
  }
  if (!written) {
    failure_ = number != 0 ? std::strerror(number) : "write failed";
    if (file) {
      // Part of a line would run into the next try's first line.
      if (sized) std::filesystem::resize_file(path_, size, error);
      if (!sized || error) newline_first_ = true;
    }
    return;
  }
  cursor_ = std::min<uint64_t>(cursor_, size);
  end_ = size + text.size();
  unwritten_.clear();
  newline_first_ = false;
  dropping_ = false;
}

template <class Visit>
uint64_t FirstReads::Scan(uint64_t from, Visit visit) const {
  if (from >= end_) return end_;
  std::ifstream in(path_, std::ios::binary);
  if (!in.seekg(static_cast<std::streamoff>(from))) return end_;
  std::string buffer(1 << 16, '\0');
  std::string line;
  uint64_t at = from;  // where `line` begins
  uint64_t left = end_ - from;
  while (left > 0) {
    in.read(buffer.data(), static_cast<std::streamsize>(std::min<uint64_t>(buffer.size(), left)));
    size_t got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    left -= got;
    size_t begin = 0;
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] != '\n') continue;
      line.append(buffer, begin, i - begin);
      uint64_t next = at + line.size() + 1;
      Read read;
      if (ParseLine(line, read.identity, read.offset, read.millisecond) && visit(read)) return next;
      at = next;
      line.clear();
      begin = i + 1;
    }
    line.append(buffer, begin, got - begin);
  }
  // An unreadable rest is given up, not read again and again.
  return end_;
}

void FirstReads::TopUp() {
  if (window_.size() >= kWindow / 2) return;
  cursor_ = Scan(cursor_, [this](const Read& read) {
    window_.push_back(read);
    return window_.size() >= kWindow;
  });
}

int64_t FirstReads::Taken(int64_t millisecond) {
  if (Empty()) {
    // All shipped: the spool starts empty again.
    std::remove(path_.c_str());
    cursor_ = end_ = 0;
    gap_ = {};
    took_ = false;
    newline_first_ = false;
  }
  return millisecond;
}

// A reading the spool does not hold would cost a scan of all of it, again
// for every such reading: a scan that finds nothing remembers the stretch of
// that file's offsets around the reading that the spool lacks, and the
// readings that follow it in that stretch are answered without one. Taking
// only shrinks the spool and a note shrinks the stretch, so it stays true.
int64_t FirstReads::Take(uint64_t identity, uint64_t offset, int64_t otherwise) {
  took_ = false;
  if (Empty()) return otherwise;
  if (gap_.known && gap_.identity == identity && offset > gap_.above && offset < gap_.below) {
    return otherwise;
  }
  Gap gap{true, identity, 0, std::numeric_limits<uint64_t>::max()};
  auto match = [&](const Read& read) {
    if (read.identity != identity) return false;
    if (read.offset == offset) return true;
    if (read.offset < offset) {
      gap.above = std::max(gap.above, read.offset);
    } else {
      gap.below = std::min(gap.below, read.offset);
    }
    return false;
  };
  for (size_t i = 0; i < window_.size(); ++i) {
    if (!match(window_[i])) continue;
    int64_t millisecond = window_[i].millisecond;
    window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    TopUp();
    took_ = true;
    return Taken(millisecond);
  }
  // On through the file: after a restart its front is what was taken before.
  bool found = false;
  int64_t millisecond = 0;
  uint64_t stop = Scan(cursor_, [&](const Read& read) {
    found = match(read);
    millisecond = read.millisecond;
    return found;
  });
  if (found) {
    window_.clear();
    cursor_ = stop;
    TopUp();
    took_ = true;
    return Taken(millisecond);
  }
  for (size_t i = 0; i < unwritten_.size(); ++i) {
    if (!match(unwritten_[i])) continue;
    millisecond = unwritten_[i].millisecond;
    window_.clear();
    cursor_ = end_;
    // Not in the file: HoldsTaken stays false.
    unwritten_.erase(unwritten_.begin(), unwritten_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    return Taken(millisecond);
  }
  gap_ = gap;
  return otherwise;
}
