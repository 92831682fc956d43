#include "services/files/text_file.hpp"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "services/exit/error_numbers.hpp"
#include "services/files/descriptor.hpp"

namespace {

constexpr size_t kReadBlock = 64 * 1024;
constexpr size_t kWriteBlock = 8192;

class TextFileChannel final : public Channel {
 public:
  TextFileChannel(int fd, OpenMode mode, bool sized, int64_t size_at_open)
      : fd_(fd), mode_(mode), sized_(sized), size_at_open_(size_at_open) {
    if (mode == OpenMode::kAppend) offset_ = size_at_open;
    if (Reads()) input_.resize(kReadBlock);
  }
  ~TextFileChannel() override { Close(); }

  // Reports what the close itself loses: bytes still buffered that cannot be
  // written, or a failing close(2). A loss that an earlier write or flush
  // already reported is not reported a second time.
  int Close() override {
    if (fd_ < 0) return kNoError;
    bool lost = output_used_ > output_written_ && !FlushOutput();
    int fd = fd_;
    fd_ = -1;
    if (!CloseDescriptor(fd)) lost = true;
    return lost ? kFileIoError : kNoError;
  }

  int EndTest() override {
    if (!Reads()) return 0;
    bool at_end = at_eof_ || (sized_ && position_ >= size_at_open_);
    return at_end ? -1 : 0;
  }

  int LineInput(std::string& line) override {
    line.clear();
    if (!Reads() || fd_ < 0) return kIllegalFunctionCall;
    if (output_used_ > 0 && !FlushOutput()) return kFileIoError;
    for (;;) {
      if (input_pos_ == input_used_) {
        int result = Refill();
        if (result != kNoError) return result;
        if (at_eof_) break;
      }
      const char* start = input_.data() + input_pos_;
      size_t available = input_used_ - input_pos_;
      const void* newline = std::memchr(start, '\n', available);
      size_t take =
          newline ? static_cast<size_t>(static_cast<const char*>(newline) - start) : available;
      line.append(start, take);
      size_t consumed = newline ? take + 1 : take;
      input_pos_ += consumed;
      position_ += static_cast<int64_t>(consumed);
      // A CR just before the LF belongs to the line end, even when the two
      // arrived in different blocks.
      if (newline) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return kNoError;
      }
    }
    // A CR as the very last byte of the file ends the line too.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return kNoError;
  }

  int Write(std::string_view bytes) override {
    if (mode_ == OpenMode::kInput || fd_ < 0) return kIllegalFunctionCall;
    DropReadAhead();
    if (bytes.size() > kWriteBlock - output_used_) {
      FlushOutput();
      if (bytes.size() >= kWriteBlock) {
        size_t written = 0;
        if (!WriteAllBytes(fd_, bytes.data(), bytes.size(), &written)) {
          write_failed_ = true;
          TakeBack(written);
        } else if (TracksOffset()) {
          offset_ += static_cast<int64_t>(written);
        }
        bytes = {};
      }
    }
    if (!bytes.empty()) {
      std::memcpy(output_ + output_used_, bytes.data(), bytes.size());
      output_used_ += bytes.size();
    }
    return write_failed_ ? kFileIoError : kNoError;
  }

  int Flush() override {
    if (fd_ < 0) return kIllegalFunctionCall;
    FlushOutput();
    return write_failed_ ? kFileIoError : kNoError;
  }

  void EmergencyClose() override {
    int fd = fd_;
    if (fd < 0) return;
    fd_ = -1;
    size_t from = output_written_;
    if (flushing_) {
      // The signal came during a flush: the file offset tells how much of it
      // reached the file, whether or not the count was updated yet.
      int64_t now = SeekDescriptor(fd, 0, SEEK_CUR);
      int64_t landed = now < flush_offset_ ? 0 : now - flush_offset_;
      from = flush_from_ + static_cast<size_t>(landed);
    }
    if (output_used_ > from) WriteAllBytes(fd, output_ + from, output_used_ - from);
    CloseDescriptor(fd);
  }

 private:
  bool Reads() const { return mode_ != OpenMode::kOutput && mode_ != OpenMode::kAppend; }

  int Refill() {
    input_pos_ = input_used_ = 0;
    if (ended_) {
      at_eof_ = true;
      return kNoError;
    }
    int64_t n = ReadDescriptor(fd_, input_.data(), input_.size());
    if (n < 0) return kFileIoError;
    input_used_ = static_cast<size_t>(n);
    if (n == 0) at_eof_ = true;
    const void* stop =
        TextEndsAtByte26() ? std::memchr(input_.data(), kEndOfFileByte, input_used_) : nullptr;
    if (stop != nullptr) {
      input_used_ = static_cast<size_t>(static_cast<const char*>(stop) - input_.data());
      // The end test sees the end once the reader gets there.
      size_at_open_ = position_ + static_cast<int64_t>(input_used_);
      sized_ = true;
      ended_ = true;
      if (input_used_ == 0) at_eof_ = true;
    }
    return kNoError;
  }

  // Writing after reading (read-write modes) continues where the reader is,
  // not where the read-ahead stopped.
  void DropReadAhead() {
    if (input_pos_ < input_used_) {
      SeekDescriptor(fd_, -static_cast<int64_t>(input_used_ - input_pos_), SEEK_CUR);
    }
    input_pos_ = input_used_ = 0;
  }

  // What a failed write put into a log or output file (`landed` bytes, just
  // before the file offset) is cut off again, so the file never ends in a
  // torn record (a full disk). Files written in place are left alone:
  // cutting them would lose what follows.
  void TakeBack(size_t landed) {
    if (!sized_ || !TracksOffset() || landed == 0) return;
    int64_t end = SeekDescriptor(fd_, 0, SEEK_CUR);
    if (end < static_cast<int64_t>(landed)) return;
    int64_t start = end - static_cast<int64_t>(landed);
    if (!TruncateDescriptor(fd_, start)) return;
    SeekDescriptor(fd_, start, SEEK_SET);
    offset_ = start;
  }

  // Bytes that cannot be written are lost; the failure stays with the file,
  // so the next flush and the close report it too.
  bool FlushOutput() {
    bool ok = true;
    if (output_used_ > output_written_) {
      // Where this flush starts, for the signal path. Appends and fresh
      // output files keep their own count and need no system call for it.
      flush_offset_ = TracksOffset() ? offset_ : SeekDescriptor(fd_, 0, SEEK_CUR);
      flush_from_ = output_written_;
      flushing_ = 1;
      ok = WriteAllBytes(fd_, output_ + output_written_, output_used_ - output_written_,
                         &output_written_);
      flushing_ = 0;
      offset_ = flush_offset_ + static_cast<int64_t>(output_written_ - flush_from_);
      if (!ok) {
        write_failed_ = true;
        TakeBack(output_written_ - flush_from_);
      }
    }
    output_used_ = output_written_ = 0;
    return ok;
  }

  int fd_;
  OpenMode mode_;
  bool sized_;
  int64_t size_at_open_;
  int64_t position_ = 0;
  bool at_eof_ = false;
  bool write_failed_ = false;
  bool ended_ = false;  // a byte 26 ended the text
  std::vector<char> input_;
  size_t input_pos_ = 0;
  size_t input_used_ = 0;
  // A plain array: the signal path writes it out without touching the heap.
  char output_[kWriteBlock];
  size_t output_used_ = 0;
  size_t output_written_ = 0;
  // The file offset after our last write, for append and output files: the
  // size at open, plus what we wrote since.
  bool TracksOffset() const { return mode_ == OpenMode::kAppend || mode_ == OpenMode::kOutput; }
  int64_t offset_ = 0;
  int64_t flush_offset_ = 0;
  size_t flush_from_ = 0;
  volatile sig_atomic_t flushing_ = 0;
};

}  // namespace

int OpenTextFileChannel(const std::string& native_name, OpenMode mode,
                        std::unique_ptr<Channel>& channel) {
  // A NUL would silently cut the name short.
  if (native_name.find('\0') != std::string::npos) return kFileNotFound;
  int fd = OpenModeDescriptor(native_name, mode);
  if (fd < 0) return kFileNotFound;
  FileKind kind = FileKind::kOther;
  int64_t size = 0;
  if (!DescribeDescriptor(fd, kind, size) || kind == FileKind::kDirectory) {
    CloseDescriptor(fd);
    return kFileNotFound;
  }
  bool sized = kind == FileKind::kRegular;
  channel = std::make_unique<TextFileChannel>(fd, mode, sized, sized ? size : 0);
  return kNoError;
}
