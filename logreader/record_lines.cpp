#include "logreader/record_lines.hpp"

#include <cstdint>
#include <cstring>

#include "services/files/descriptor.hpp"

RecordLines::RecordLines(size_t block_size)
    : block_(block_size < 16 ? 16 : block_size), buffer_(new char[block_]) {}

RecordLines::~RecordLines() {
  if (own_fd_) CloseDescriptor(fd_);
}

bool RecordLines::Open(const std::string& name) {
  own_fd_ = name != "-";
  fd_ = own_fd_ ? OpenModeDescriptor(name, OpenMode::kInput) : StandardInputDescriptor();
  FileKind kind = FileKind::kOther;
  int64_t size = 0;
  if (fd_ >= 0 && DescribeDescriptor(fd_, kind, size) && kind != FileKind::kDirectory) return true;
  if (own_fd_ && fd_ >= 0) CloseDescriptor(fd_);
  fd_ = -1;
  return false;
}

bool RecordLines::Fill() {
  std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
  end_ -= pos_;
  pos_ = 0;
  lf_known_ = cr_known_ = false;
  int64_t got = ReadDescriptor(fd_, buffer_.get() + end_, block_ - end_);
  if (got <= 0) {
    eof_ = true;
    failed_ = got < 0;
    return false;
  }
  if (observer_) observer_(buffer_.get() + end_, static_cast<size_t>(got));
  end_ += static_cast<size_t>(got);
  return true;
}

size_t RecordLines::Find(char c, size_t& at, bool& known) {
  if (!known || at < pos_) {
    const void* found = std::memchr(buffer_.get() + pos_, c, end_ - pos_);
    at = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - buffer_.get())
                          : end_;
    known = true;
  }
  return at;
}

bool RecordLines::Next(std::string_view& line) {
  if (fd_ < 0 || failed_) return false;
  for (;;) {
    size_t lf = Find('\n', lf_, lf_known_);
    size_t cr = Find('\r', cr_, cr_known_);
    size_t stop = lf < cr ? lf : cr;
    bool ended = stop < end_;
    if (skipping_) {
      pos_ = ended ? stop + 1 : end_;
      skipping_ = !ended;
      if (ended) continue;
    } else if (ended || (eof_ && end_ > pos_) || end_ - pos_ == block_) {
      char* start = buffer_.get() + pos_;
      size_t length = stop - pos_;
      pos_ = ended ? stop + 1 : end_;
      // One line is one record, however long: its start stands for it.
      skipping_ = !ended && !eof_;
      if (length == 0) continue;  // the LF of a CR LF, or an empty line
      line = std::string_view(start, length);
      return true;
    }
    if (eof_ || !Fill()) {
      if (end_ - pos_ == 0 || failed_) return false;
    }
  }
}
