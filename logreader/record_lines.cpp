#include "logreader/record_lines.hpp"

#include <cstring>
#include <filesystem>
#include <system_error>

RecordLines::RecordLines(size_t block_size)
    : block_(block_size < 16 ? 16 : block_size), buffer_(new char[block_]) {}

RecordLines::~RecordLines() {
  if (file_ != nullptr) std::fclose(file_);
}

bool RecordLines::Open(const std::string& name) {
  // Checked first: opening a FIFO would wait for a writer.
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(name, ignored)) return false;
  file_ = std::fopen(name.c_str(), "rb");
  if (file_ == nullptr) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // the block is the buffer
  return true;
}

bool RecordLines::Fill() {
  std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
  end_ -= pos_;
  pos_ = 0;
  lf_known_ = cr_known_ = false;
  size_t got = std::fread(buffer_.get() + end_, 1, block_ - end_, file_);
  end_ += got;
  if (got == 0) {
    eof_ = true;
    failed_ = std::ferror(file_) != 0;
  }
  return got > 0;
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
  if (file_ == nullptr || failed_) return false;
  for (;;) {
    size_t lf = Find('\n', lf_, lf_known_);
    size_t cr = Find('\r', cr_, cr_known_);
    size_t stop = lf < cr ? lf : cr;
    bool ended = stop < end_;
    size_t held = end_ - pos_;
    if (ended || (eof_ && held > 0) || held == block_) {
      char* start = buffer_.get() + pos_;
      size_t length = stop - pos_;
      pos_ = ended ? stop + 1 : end_;
      if (length == 0) continue;  // the LF of a CR LF, or an empty line
      line = std::string_view(start, length);
      return true;
    }
    if (eof_ || !Fill()) {
      if (end_ - pos_ == 0 || failed_) return false;
    }
  }
}
