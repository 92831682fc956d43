#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "services/files/staged_file.hpp"

namespace {

// Room for the leading dot and the random tail within a name's 255 bytes.
constexpr size_t kLongestBase = 200;

// A run ended by Ctrl+C or a hang-up leaves no temporary file behind. One
// staged file at a time has its name here.
constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
char g_pending[PATH_MAX];
volatile sig_atomic_t g_has_pending = 0;
struct sigaction g_previous[sizeof kEndSignals / sizeof kEndSignals[0]];

void RemovePending(int signal_number) {
  if (g_has_pending) unlink(g_pending);
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void Watch(const std::string& name) {
  if (name.size() >= sizeof g_pending) return;
  std::memcpy(g_pending, name.c_str(), name.size() + 1);
  g_has_pending = 1;
  struct sigaction action = {};
  action.sa_handler = RemovePending;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < sizeof kEndSignals / sizeof kEndSignals[0]; ++i) {
    sigaction(kEndSignals[i], &action, &g_previous[i]);
  }
}

void Unwatch() {
  if (!g_has_pending) return;
  for (size_t i = 0; i < sizeof kEndSignals / sizeof kEndSignals[0]; ++i) {
    sigaction(kEndSignals[i], &g_previous[i], nullptr);
  }
  g_has_pending = 0;
}

}  // namespace

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

StagedFile::~StagedFile() {
  if (fd_ >= 0) close(fd_);
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    Unwatch();
  }
}

bool StagedFile::Begin(const std::string& name) {
  target_ = name;
  struct stat info {};
  char resolved[PATH_MAX];
  // Replacing a link would cut it; the file it names is replaced instead.
  if (lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
      realpath(name.c_str(), resolved) != nullptr) {
    target_ = resolved;
  }
  bool exists = stat(target_.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) return false;
  // Asked as its writer would be, without changing it.
  if (exists) {
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    if (!S_ISREG(info.st_mode)) return true;
    close(fd_);
    fd_ = -1;
  }
  size_t slash = target_.find_last_of('/');
  std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  std::string base = target_.substr(slash == std::string::npos ? 0 : slash + 1, kLongestBase);
  std::string temporary = folder + "." + base + ".XXXXXX";
  fd_ = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd_ < 0) return false;
  temporary_ = temporary;
  Watch(temporary_);
  // The permissions the file would have had when written in place.
  mode_t mode = info.st_mode & 07777;
  if (!exists) {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd_, mode);
  return true;
}

int64_t StagedFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

bool StagedFile::Commit() {
  if (fd_ < 0) return false;
  bool done = temporary_.empty() || fsync(fd_) == 0;
  done = close(fd_) == 0 && done;
  fd_ = -1;
  if (temporary_.empty()) return done;
  if (done && rename(temporary_.c_str(), target_.c_str()) != 0) done = false;
  if (!done) unlink(temporary_.c_str());
  Unwatch();
  temporary_.clear();
  return done;
}
