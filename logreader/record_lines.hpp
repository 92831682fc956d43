#pragma once
// Log lines in large blocks, ended by CR, LF or CR LF alike: a log written
// with lone CRs is read line by line too, in the same fixed memory. Pipes
// and FIFOs are read like files.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class RecordLines {
 public:
  explicit RecordLines(size_t block_size = 1 << 20);
  ~RecordLines();
  RecordLines(const RecordLines&) = delete;
  RecordLines& operator=(const RecordLines&) = delete;

  // "-" is standard input. False when the file cannot be opened or is a
  // directory. A FIFO is waited for until it has a writer.
  bool Open(const std::string& name);
  // The next line without its end; empty lines are passed over. A line
  // longer than the block comes as its first block's bytes, the rest of it
  // passed over. False at the end or after a read error.
  bool Next(std::string_view& line);
  bool failed() const { return failed_; }
  // Called with every block of bytes as it is read, so a digest or a count
  // sees exactly the bytes the lines came from.
  void Observe(std::function<void(const char* data, size_t size)> observer) {
    observer_ = std::move(observer);
  }

 private:
  bool Fill();
  // Where the next such byte at or after pos_ is held; end_ when none is.
  // Remembered, so a file without LFs is not searched to the end per line.
  size_t Find(char c, size_t& at, bool& known);

  int fd_ = -1;
  bool own_fd_ = false;
  size_t block_;
  std::unique_ptr<char[]> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  size_t lf_ = 0;
  size_t cr_ = 0;
  bool lf_known_ = false;
  bool cr_known_ = false;
  bool eof_ = false;
  bool skipping_ = false;  // the rest of a line already cut short
  bool failed_ = false;
  std::function<void(const char*, size_t)> observer_;
};
