#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "services/error_numbers.hpp"
#include "services/files.hpp"
#include "services/line_stream.hpp"
#include "services/runtime_error.hpp"
#include "services/write_all_win32.hpp"

namespace {

constexpr char kEndOfFileByte = 26;

// Bytes pass unchanged; the text-mode rules are applied by the reader.
int OpenBinary(const std::string& name, int flags) {
  return _open(name.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// The last byte of the file; LF when it cannot be read (a file that cannot be
// read cannot lose its marker either).
char LastByte(const std::string& name, int64_t size) {
  char last = '\n';
  int fd = OpenBinary(name, _O_RDONLY);
  if (fd < 0) return last;
  if (_lseeki64(fd, size - 1, SEEK_SET) != size - 1 || _read(fd, &last, 1) != 1) last = '\n';
  _close(fd);
  return last;
}

bool IsRegular(int fd, int64_t& size) {
  struct _stati64 info;
  if (_fstati64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
  size = info.st_size;
  return true;
}

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
    if (writer->used_ > 0) WriteAll(writer->fd_, writer->buffer_.get(), writer->used_);
    writer->used_ = 0;
  }
}

LineReader::LineReader(size_t block_size) : block_(block_size < 16 ? 16 : block_size) {}

LineReader::~LineReader() {
  if (fd_ >= 0) _close(fd_);
}

int LineReader::Open(std::string_view name) {
  if (fd_ >= 0) return SetLastError(kIllegalFunctionCall);
  fd_ = OpenBinary(NativeFileName(name), _O_RDONLY | _O_SEQUENTIAL);
  if (fd_ < 0) return SetLastError(kFileNotFound);
  int64_t size = 0;
  limit_ = IsRegular(fd_, size) ? size : 0;
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
  _close(fd_);
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
  size_t room = capacity_ - end_;
  int n = _read(fd_, buffer_.get() + end_,
                room > 0x40000000u ? 0x40000000u : static_cast<unsigned>(room));
  if (n < 0) {
    error_ = kFileIoError;
    return SetLastError(kFileIoError);
  }
  if (n == 0) eof_ = true;
  // Text mode: a byte 26 ends the file.
  const void* stop = std::memchr(buffer_.get() + end_, kEndOfFileByte, static_cast<size_t>(n));
  if (stop != nullptr) {
    n = static_cast<int>(static_cast<const char*>(stop) - (buffer_.get() + end_));
    eof_ = true;
    limit_ = base_ + static_cast<int64_t>(end_) + n;
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
  std::string native = NativeFileName(name);
  fd_ = OpenBinary(native, _O_WRONLY | _O_CREAT | _O_APPEND);
  if (fd_ < 0) return SetLastError(kFileNotFound);
  completing_ = {};
  int64_t size = 0;
  if (IsRegular(fd_, size) && size > 0) {
    char last = LastByte(native, size);
    if (last != '\n') completing_ = last == '\r' ? "\n" : "\r\n";
  }
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
  if (count > 0 && !WriteAll(fd_, buffer_.get(), count)) error_ = kFileIoError;
  return error_;
}

int LineWriter::WriteSlow(std::string_view text, bool line_end) {
  if (error_ != 0) return SetLastError(error_);
  size_t total = text.size() + (line_end ? 2 : 0);
  if (total > capacity_ - used_) {
    if (Flush() != 0) return SetLastError(error_);
    if (total > capacity_) {
      // Longer than the whole buffer: straight through.
      if (!WriteAll(fd_, text.data(), text.size())) {
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
  int64_t size = 0;
  if (sync && error_ == 0 && IsRegular(fd_, size) && _commit(fd_) != 0) error_ = kFileIoError;
  Dismiss(this);
  if (_close(fd_) != 0) error_ = kFileIoError;
  fd_ = -1;
  int result = error_;
  error_ = kIllegalFunctionCall;
  return SetLastError(result);
}

bool LineWriter::SameFileAs(const LineWriter& other) const {
  if (fd_ < 0 || other.fd_ < 0) return false;
  BY_HANDLE_FILE_INFORMATION mine, theirs;
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd_)), &mine) ||
      !GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(other.fd_)), &theirs)) {
    return false;
  }
  return mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
         mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}
