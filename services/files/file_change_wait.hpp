#pragma once
// Sleeping until something changes in a folder of files being followed, so
// a reader that has caught up costs nothing while nothing is written.
#include <memory>
#include <string>

class FileChangeWait {
 public:
  virtual ~FileChangeWait() = default;
  // Waits at most `ms` for a file in the folder to be created, written,
  // renamed or deleted. A folder that does not exist (yet) or cannot be
  // watched is looked at again on each call; meanwhile this is a plain sleep.
  virtual void Wait(int ms) = 0;
};

// Each follower its own: several may watch one folder independently.
std::unique_ptr<FileChangeWait> WatchFolder(const std::string& folder);
