#pragma once
// What one read from a port fetched, handed out a little at a time: the
// logger takes one byte per call.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

class ReceiveBlock {
 public:
  explicit ReceiveBlock(size_t size) : data_(new char[size]) {}

  bool empty() const { return begin_ == end_; }
  size_t held() const { return end_ - begin_; }
  // Where the next fetch reads to; Filled tells how much it got.
  char* space() { return data_.get(); }
  void Filled(size_t got) {
    begin_ = 0;
    end_ = got;
  }
  // Copies out up to `count` held bytes; how many.
  size_t Take(char* buffer, size_t count) {
    size_t n = std::min(count, end_ - begin_);
    std::memcpy(buffer, data_.get() + begin_, n);
    begin_ += n;
    return n;
  }

 private:
  std::unique_ptr<char[]> data_;
  size_t begin_ = 0;
  size_t end_ = 0;
};
