#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "services/exit/write_all_posix.hpp"
#include "services/files/descriptor.hpp"

namespace {

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kInput:
      return O_RDONLY;
    case OpenMode::kOutput:
      return O_WRONLY | O_CREAT | O_TRUNC;
    case OpenMode::kAppend:
      return O_WRONLY | O_CREAT | O_APPEND;
    case OpenMode::kRandom:
    case OpenMode::kBinary:
      return O_RDWR | O_CREAT;
  }
  return O_RDONLY;
}

// Never blocks on a FIFO at open; the descriptor waits normally afterwards.
int OpenWithoutWaiting(const std::string& name, int flags) {
  int fd = open(name.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  int status = fcntl(fd, F_GETFL);
  if (status != -1) fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  return fd;
}

// The last byte of the regular file `info` describes; LF when it cannot be
// read (a file that cannot be read cannot lose its marker either).
char LastByte(const std::string& name, const struct stat& info) {
  char last = '\n';
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return last;
  struct stat now;
  if (fstat(fd, &now) == 0 && now.st_dev == info.st_dev && now.st_ino == info.st_ino &&
      pread(fd, &last, 1, info.st_size - 1) != 1) {
    last = '\n';
  }
  close(fd);
  return last;
}

}  // namespace

int OpenModeDescriptor(const std::string& name, OpenMode mode) {
  int fd;
  do {
    fd = open(name.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int OpenSequentialReader(const std::string& name) {
  int fd = OpenWithoutWaiting(name, O_RDONLY);
  if (fd >= 0) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

int StandardInputDescriptor() {
  return STDIN_FILENO;
}

int OpenAppendWriter(const std::string& name, char& last) {
  last = '\n';
  // Write-only: a FIFO opened for reading too would never lack a reader.
  int fd = OpenWithoutWaiting(name, O_WRONLY | O_CREAT | O_APPEND);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    last = LastByte(name, info);
  }
  return fd;
}

int OpenSharedAppender(const std::string& name) {
  return OpenWithoutWaiting(name, O_WRONLY | O_CREAT | O_APPEND);
}

bool NameStillNames(const std::string& name, int fd) {
  struct stat named, open_file;
  return stat(name.c_str(), &named) == 0 && fstat(fd, &open_file) == 0 &&
         named.st_dev == open_file.st_dev && named.st_ino == open_file.st_ino;
}

bool DescribeDescriptor(int fd, FileKind& kind, int64_t& size) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return false;
  kind = S_ISREG(info.st_mode)   ? FileKind::kRegular
         : S_ISDIR(info.st_mode) ? FileKind::kDirectory
                                 : FileKind::kOther;
  if (kind == FileKind::kRegular) size = info.st_size;
  return true;
}

int64_t ReadDescriptor(int fd, char* data, size_t size) {
  for (;;) {
    ssize_t n = read(fd, data, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

int64_t SeekDescriptor(int fd, int64_t offset, int whence) {
  return lseek(fd, offset, whence);
}

bool TruncateDescriptor(int fd, int64_t size) {
  return ftruncate(fd, size) == 0;
}

bool CloseDescriptor(int fd) {
  return close(fd) == 0 || errno == EINTR;
}

bool WriteAllBytes(int fd, const char* data, size_t size, size_t* done) {
  return WriteAll(fd, data, size, done);
}

namespace {
std::atomic<uint64_t> sync_calls{0};
}  // namespace

bool SyncDescriptor(int fd) {
  ++sync_calls;
  return fsync(fd) == 0 || errno == EINVAL || errno == EROFS || errno == ENOTSUP;
}

uint64_t SyncDescriptorCalls() {
  return sync_calls;
}

void StopWriteWaiting(int fd) {
  int status = fcntl(fd, F_GETFL);
  if (status != -1) fcntl(fd, F_SETFL, status | O_NONBLOCK);
}

bool SameFileDescriptors(int fd, int other_fd) {
  struct stat mine, theirs;
  if (fstat(fd, &mine) != 0 || fstat(other_fd, &theirs) != 0) return false;
  return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool TextEndsAtByte26() {
  return false;
}
