#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "services/files/private_files.hpp"

namespace {

class RecordLock final : public FileLock {
 public:
  explicit RecordLock(int fd) : fd_(fd) {}
  // Closing the descriptor gives the lock up.
  ~RecordLock() override { close(fd_); }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<FileLock> LockFile(const std::string& name, std::string& holder,
                                   std::string& error) {
  holder.clear();
  int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  // A record lock, not flock: the system tells which process holds it.
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_SETLK, &lock) == 0) return std::make_unique<RecordLock>(fd);
  int problem = errno;
  struct flock held = {};
  held.l_type = F_WRLCK;
  held.l_whence = SEEK_SET;
  if (fcntl(fd, F_GETLK, &held) == 0 && held.l_type != F_UNLCK && held.l_pid > 0) {
    holder = "process " + std::to_string(held.l_pid);
  }
  close(fd);
  if (problem != EACCES && problem != EAGAIN) error = std::strerror(problem);
  return nullptr;
}

bool SyncFolderOf(const std::string& name) {
  size_t slash = name.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

bool ReadableByOthers(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}
