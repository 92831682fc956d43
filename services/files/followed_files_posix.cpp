#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "services/files/followed_files.hpp"

namespace {

FileFacts FactsOf(const struct stat& st) {
  FileFacts facts;
  facts.identity =
      static_cast<uint64_t>(st.st_ino) ^ (static_cast<uint64_t>(st.st_dev) * 0x9E3779B97F4A7C15ull);
  facts.size = static_cast<uint64_t>(st.st_size);
  facts.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return facts;
}

}  // namespace

bool LookAtFile(const std::string& name, FileFacts& facts) {
  struct stat st;
  if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  facts = FactsOf(st);
  return true;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  while (struct dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  closedir(dir);
  return true;
}

SharedReadFile::~SharedReadFile() {
  Close();
}

bool SharedReadFile::Open(const std::string& name, FileFacts& facts) {
  Close();
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  facts = FactsOf(st);
  handle_ = fd;
  return true;
}

int64_t SharedReadFile::ReadAt(uint64_t offset, char* data, size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    ssize_t got = pread(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

void SharedReadFile::Close() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
  handle_ = -1;
}
