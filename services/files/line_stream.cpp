#include "services/files/line_stream.hpp"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "services/exit/error_numbers.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/descriptor.hpp"
#include "services/files/files.hpp"

namespace {

// Writers whose buffers a signal must still write out before the process ends.
constexpr int kMaxWriters = 8;
std::atomic<LineWriter*> open_writers[kMaxWriters];

void Enlist(LineWriter* writer) {
  // Registered anew each time: the cleanups may have run already (a program
  // start that failed).
  RegisterExitCleanup(FlushWritersForExit);
  for (auto& slot : open_writers) {
    LineWriter* expected = nullptr;
    if (slot.compare_exchange_strong(expected, writer)) return;
  }
}

void Dismiss(LineWriter* writer) {
  for (auto& slot : open_writers) {
    LineWriter* expected = writer;
    slot.compare_exchange_strong(expected, nullptr);
  }
}

}  // namespace

// Async-signal-safe: plain writes of what each open writer still holds.
void FlushWritersForExit() {
  for (auto& slot : open_writers) {
    LineWriter* writer = slot.exchange(nullptr);
    if (writer == nullptr || writer->fd_ < 0 || writer->error_ != 0) continue;
    // A pipe nobody drains must not hold the process at its end.
    StopWriteWaiting(writer->fd_);
    if (writer->used_ > 0) WriteAllBytes(writer->fd_, writer->buffer_.get(), writer->used_);
    writer->used_ = 0;
  }
}

LineReader::LineReader(size_t block_size) : block_(block_size < 16 ? 16 : block_size) {}

LineReader::~LineReader() {
  if (fd_ >= 0) CloseDescriptor(fd_);
}

int LineReader::Open(std::string_view name) {
  if (fd_ >= 0) return SetLastError(kIllegalFunctionCall);
  fd_ = OpenSequentialReader(NativeFileName(name));
  if (fd_ < 0) return SetLastError(kFileNotFound);
  FileKind kind = FileKind::kOther;
  int64_t size = 0;
  limit_ = DescribeDescriptor(fd_, kind, size) && kind == FileKind::kRegular ? size : 0;
  if (!buffer_) {
    buffer_.reset(new char[block_]);
    capacity_ = block_;
  }
  pos_ = end_ = scanned_ = 0;
  base_ = 0;
  eof_ = false;
  error_ = 0;
  return SetLastError(kNoError);
}

int LineReader::Close() {
  if (fd_ < 0) return SetLastError(kIllegalFunctionCall);
  CloseDescriptor(fd_);
  fd_ = -1;
  return SetLastError(kNoError);
}

bool LineReader::NextSlow(std::string_view& line) {
  if (fd_ < 0 || error_ != 0) return false;
  if (base_ + static_cast<int64_t>(pos_) >= limit_) return false;
  for (;;) {
    // Bytes already searched are not searched again while a long line grows.
    char* start = buffer_.get() + pos_;
    const void* lf = std::memchr(start + scanned_, '\n', end_ - pos_ - scanned_);
    if (lf != nullptr) {
      size_t length = static_cast<const char*>(lf) - start;
      pos_ += length + 1;
      scanned_ = 0;
      if (length > 0 && start[length - 1] == '\r') --length;
      line = std::string_view(start, length);
      return true;
    }
    scanned_ = end_ - pos_;
    if (eof_) {
      if (scanned_ == 0) return false;
      size_t length = scanned_;
      pos_ = end_;
      scanned_ = 0;
      if (start[length - 1] == '\r') --length;
      line = std::string_view(start, length);
      return true;
    }
    if (Fill() != 0) return false;
  }
}

int LineReader::Fill() {
  if (pos_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    base_ += static_cast<int64_t>(pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == capacity_) {
    size_t grown = capacity_ * 2;
    std::unique_ptr<char[]> bigger(new char[grown]);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  int64_t n = ReadDescriptor(fd_, buffer_.get() + end_, capacity_ - end_);
  if (n < 0) {
    error_ = kFileIoError;
    return SetLastError(kFileIoError);
  }
  if (n == 0) eof_ = true;
  if (TextEndsAtByte26()) {
    const void* stop = std::memchr(buffer_.get() + end_, kEndOfFileByte, static_cast<size_t>(n));
    if (stop != nullptr) {
      n = static_cast<const char*>(stop) - (buffer_.get() + end_);
      eof_ = true;
      limit_ = base_ + static_cast<int64_t>(end_) + n;
    }
  }
  end_ += static_cast<size_t>(n);
  return 0;
}

LineWriter::LineWriter(size_t block_size)
    : buffer_(new char[block_size < 16 ? 16 : block_size]),
      capacity_(block_size < 16 ? 16 : block_size) {}

LineWriter::~LineWriter() {
  if (fd_ >= 0) Close();
}

int LineWriter::OpenAppend(std::string_view name) {
  if (fd_ >= 0) return SetLastError(kIllegalFunctionCall);
  char last = '\n';
  fd_ = OpenAppendWriter(NativeFileName(name), last);
  if (fd_ < 0) return SetLastError(kFileNotFound);
  completing_ = {};
  if (last != '\n') completing_ = last == '\r' ? "\n" : "\r\n";
  used_ = 0;
  error_ = 0;
  Enlist(this);
  return SetLastError(kNoError);
}

int LineWriter::Flush() {
  if (error_ != 0) return error_;
  // Taken out first: a signal during the write must not write it twice.
  size_t count = used_;
  used_ = 0;
  if (count > 0 && !WriteAllBytes(fd_, buffer_.get(), count)) error_ = kFileIoError;
  return error_;
}

int LineWriter::WriteSlow(std::string_view text, bool line_end) {
  if (error_ != 0) return SetLastError(error_);
  size_t total = text.size() + (line_end ? 2 : 0);
  if (total > capacity_ - used_) {
    if (Flush() != 0) return SetLastError(error_);
    if (total > capacity_) {
      // Longer than the whole buffer: straight through.
      if (!WriteAllBytes(fd_, text.data(), text.size())) {
        error_ = kFileIoError;
        return SetLastError(error_);
      }
      text = {};
    }
  }
  char* out = buffer_.get() + used_;
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  used_ += text.size();
  if (line_end) {
    buffer_[used_++] = '\r';
    buffer_[used_++] = '\n';
  }
  return SetLastError(kNoError);
}

int LineWriter::Close(bool sync) {
  if (fd_ < 0) return SetLastError(kIllegalFunctionCall);
  Flush();
  // Devices and pipes cannot be synced; that is no loss of data.
  if (sync && error_ == 0 && !SyncDescriptor(fd_)) error_ = kFileIoError;
  Dismiss(this);
  if (!CloseDescriptor(fd_)) error_ = kFileIoError;
  fd_ = -1;
  int result = error_;
  error_ = kIllegalFunctionCall;
  return SetLastError(result);
}

bool LineWriter::SameFileAs(const LineWriter& other) const {
  return fd_ >= 0 && other.fd_ >= 0 && SameFileDescriptors(fd_, other.fd_);
}
