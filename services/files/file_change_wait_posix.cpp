#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "services/files/file_change_wait.hpp"
#include "services/time/clock.hpp"

namespace {

constexpr uint32_t kChanges = IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                              IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

class InotifyWait : public FileChangeWait {
 public:
  explicit InotifyWait(std::string folder) : folder_(std::move(folder)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) watch_ = inotify_add_watch(fd_, folder_.c_str(), kChanges);
  }
  ~InotifyWait() override {
    if (fd_ >= 0) close(fd_);
  }

  void Wait(int ms, FolderChanges& changes) override {
    if (fd_ >= 0 && watch_ < 0) {
      watch_ = inotify_add_watch(fd_, folder_.c_str(), kChanges);
      // Whatever happened while it was not watched is unknown.
      if (watch_ >= 0) changes.all = true;
    }
    if (watch_ < 0) {
      // Until the folder exists, look again once a second at the latest.
      if (ms > 0) CurrentClock().SleepMs(std::min(ms, 1000));
      changes.all = true;
      return;
    }
    pollfd ready = {fd_, POLLIN, 0};
    if (poll(&ready, 1, ms) <= 0) return;
    alignas(inotify_event) char events[4096];
    ssize_t got;
    while ((got = read(fd_, events, sizeof events)) > 0) {
      for (char* at = events; at < events + got;) {
        auto* event = reinterpret_cast<inotify_event*>(at);
        if (event->mask & IN_Q_OVERFLOW) changes.all = true;
        // The folder itself went away: watch it again once it is back.
        if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
          inotify_rm_watch(fd_, watch_);
          watch_ = -1;
          changes.all = true;
        }
        if (event->len > 0) {
          std::string name(event->name);
          // A busy log is written many times between two looks: once is enough.
          if (std::find(changes.names.begin(), changes.names.end(), name) ==
              changes.names.end()) {
            changes.names.push_back(std::move(name));
          }
        }
        at += sizeof(inotify_event) + event->len;
      }
    }
  }

 private:
  std::string folder_;
  int fd_ = -1;
  int watch_ = -1;
};

}  // namespace

std::unique_ptr<FileChangeWait> WatchFolder(const std::string& folder) {
  return std::make_unique<InotifyWait>(folder);
}
