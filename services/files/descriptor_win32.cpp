#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "services/exit/write_all_win32.hpp"
#include "services/files/descriptor.hpp"

namespace {

// Binary at the descriptor: CR LF and byte 26 are handled above, so output
// is written unchanged.
constexpr int kBinary = _O_BINARY | _O_NOINHERIT;

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kInput:
      return _O_RDONLY;
    case OpenMode::kOutput:
      return _O_WRONLY | _O_CREAT | _O_TRUNC;
    case OpenMode::kAppend:
      return _O_WRONLY | _O_CREAT | _O_APPEND;
    case OpenMode::kRandom:
    case OpenMode::kBinary:
      return _O_RDWR | _O_CREAT;
  }
  return _O_RDONLY;
}

int OpenBinary(const std::string& name, int flags) {
  return _open(name.c_str(), flags | kBinary, _S_IREAD | _S_IWRITE);
}

bool IsRegular(int fd, int64_t& size) {
  FileKind kind;
  return DescribeDescriptor(fd, kind, size) && kind == FileKind::kRegular;
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

}  // namespace

int OpenModeDescriptor(const std::string& name, OpenMode mode) {
  return OpenBinary(name, OpenFlags(mode));
}

int OpenSequentialReader(const std::string& name) {
  return OpenBinary(name, _O_RDONLY | _O_SEQUENTIAL);
}

int StandardInputDescriptor() {
  // Text mode would turn CR LF into LF and stop at byte 26.
  _setmode(0, _O_BINARY);
  return 0;
}

int OpenAppendWriter(const std::string& name, char& last) {
  last = '\n';
  int fd = OpenBinary(name, _O_WRONLY | _O_CREAT | _O_APPEND);
  if (fd < 0) return -1;
  int64_t size = 0;
  if (IsRegular(fd, size) && size > 0) last = LastByte(name, size);
  return fd;
}

bool DescribeDescriptor(int fd, FileKind& kind, int64_t& size) {
  struct _stati64 info {};
  if (_fstati64(fd, &info) != 0) return false;
  int type = info.st_mode & _S_IFMT;
  kind = type == _S_IFREG   ? FileKind::kRegular
         : type == _S_IFDIR ? FileKind::kDirectory
                            : FileKind::kOther;
  if (kind == FileKind::kRegular) size = info.st_size;
  return true;
}

int64_t ReadDescriptor(int fd, char* data, size_t size) {
  return _read(fd, data, size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size));
}

int64_t SeekDescriptor(int fd, int64_t offset, int whence) {
  return _lseeki64(fd, offset, whence);
}

bool TruncateDescriptor(int fd, int64_t size) {
  return _chsize_s(fd, size) == 0;
}

bool CloseDescriptor(int fd) {
  return _close(fd) == 0;
}

bool WriteAllBytes(int fd, const char* data, size_t size, size_t* done) {
  return WriteAll(fd, data, size, done);
}

namespace {
std::atomic<uint64_t> sync_calls{0};
}  // namespace

bool SyncDescriptor(int fd) {
  ++sync_calls;
  int64_t size = 0;
  return !IsRegular(fd, size) || _commit(fd) == 0;
}

uint64_t SyncDescriptorCalls() {
  return sync_calls;
}

void StopWriteWaiting(int) {}

bool SameFileDescriptors(int fd, int other_fd) {
  BY_HANDLE_FILE_INFORMATION mine, theirs;
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mine) ||
      !GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(other_fd)), &theirs)) {
    return false;
  }
  return mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
         mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}

bool TextEndsAtByte26() {
  return true;
}
