#include <windows.h>

#include <algorithm>

#include "services/files/file_change_wait.hpp"
#include "services/time/clock.hpp"

namespace {

// A look once a second at the folder's own change time, which moves when an
// entry is created, renamed or deleted: no handle is kept on the folder, so
// the logger and the user remain free to rename or remove it, and Wine needs
// no change notification support. Writes to a file are found by reading it.
class LookEverySecond : public FileChangeWait {
 public:
  explicit LookEverySecond(std::string folder) : folder_(std::move(folder)) { Changed(); }

  void Wait(int ms, FolderChanges& changes) override {
    if (ms > 0) CurrentClock().SleepMs(std::clamp(ms, 0, 1000));
    if (Changed()) changes.all = true;
  }

 private:
  bool Changed() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    ULONGLONG time = 0;
    if (GetFileAttributesExA(folder_.c_str(), GetFileExInfoStandard, &data)) {
      time = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
             data.ftLastWriteTime.dwLowDateTime;
    }
    bool changed = time != last_ || time == 0;
    last_ = time;
    return changed;
  }
  std::string folder_;
  ULONGLONG last_ = 0;
};

}  // namespace

std::unique_ptr<FileChangeWait> WatchFolder(const std::string& folder) {
  return std::make_unique<LookEverySecond>(folder);
}
