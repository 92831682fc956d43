#pragma once
// Block-buffered line reading and writing for one fast pass over a text file.
// Every operation returns an error number (0, 2 open, 3 read or write) and
// leaves it as the last error. Memory grows only with the longest line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

class LineWriter;
// Writes out what every open writer holds, with plain write(2) calls only; an
// exit cleanup, so a signal loses no line that was already written.
void FlushWritersForExit();

class LineReader {
 public:
  explicit LineReader(size_t block_size = kDefaultBlock);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  static constexpr size_t kDefaultBlock = 1 << 20;

  // Opens for reading; 2 when that fails. The input ends at the size the file
  // has now, so lines appended later are left for another run.
  int Open(std::string_view name);
  // The next line without its end (LF, CR LF, or a CR that is the last byte of
  // the file). False at the end, or after a read error (error() is then 3).
  // A line that begins before the end is read whole. The view lives until the
  // next call.
  bool Next(std::string_view& line) {
    if (pos_ < end_ && base_ + static_cast<int64_t>(pos_) < limit_) {
      const char* start = buffer_.get() + pos_;
      const void* lf = std::memchr(start, '\n', end_ - pos_);
      if (lf != nullptr) {
        size_t length = static_cast<const char*>(lf) - start;
        pos_ += length + 1;
        if (length > 0 && start[length - 1] == '\r') --length;
        line = std::string_view(start, length);
        return true;
      }
    }
    return NextSlow(line);
  }
  int error() const { return error_; }
  // 0, or 1 when nothing is open.
  int Close();

 private:
  bool NextSlow(std::string_view& line);
  int Fill();

  int fd_ = -1;
  size_t block_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t pos_ = 0;      // first unread byte
  size_t end_ = 0;      // bytes held
  size_t scanned_ = 0;  // bytes after pos_ known to hold no LF
  int64_t base_ = 0;    // file offset of buffer_[0]
  int64_t limit_ = 0;   // file size at open
  bool eof_ = false;
  int error_ = 0;
};

class LineWriter {
 public:
  explicit LineWriter(size_t block_size = kDefaultBlock);
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  static constexpr size_t kDefaultBlock = 1 << 20;

  // Opens for appending, creating the file when missing; 2 when that fails.
  // Never waits for a reader (a FIFO without one fails the open).
  int OpenAppend(std::string_view name);
  // The text, then CR LF. 3 once any write has failed (the failure sticks);
  // 1 when nothing is open.
  int WriteLine(std::string_view text) {
    if (error_ == 0 && text.size() + 2 <= capacity_ - used_) {
      char* out = buffer_.get() + used_;
      if (!text.empty()) std::memcpy(out, text.data(), text.size());
      out[text.size()] = '\r';
      out[text.size() + 1] = '\n';
      used_ += text.size() + 2;
      return 0;
    }
    return WriteSlow(text, true);
  }
  // The text alone.
  int WriteText(std::string_view text) { return WriteSlow(text, false); }
  // What must precede a new line so that it starts on a line of its own: ""
  // for an empty file or one that ends in LF, "\n" after a final CR, else
  // "\r\n". Read at open.
  std::string_view CompletingLineEnd() const { return completing_; }
  // Writes out what is buffered, syncs to the disk when asked, and closes; 3
  // when any byte could not be written; 1 when nothing is open.
  int Close(bool sync = false);
  // True when both are open on the same file (device and inode).
  bool SameFileAs(const LineWriter& other) const;
  bool is_open() const { return fd_ >= 0; }

 private:
  int WriteSlow(std::string_view text, bool line_end);
  int Flush();
  friend void FlushWritersForExit();

  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_;
  size_t used_ = 0;
  int error_ = 1;  // 1 while not open, 3 after a failed write
  std::string_view completing_;
};
