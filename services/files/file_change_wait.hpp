#pragma once
// Sleeping until something changes in a folder of files being followed, so
// a reader that has caught up costs nothing while nothing is written, and
// learns which names changed without looking at every file.
#include <memory>
#include <string>
#include <vector>

struct FolderChanges {
  // Anything may have changed (notifications lost, the folder came back, or
  // the system names no entries): look at the whole folder again.
  bool all = false;
  // Entries created, written, renamed or deleted, as named in the folder.
  std::vector<std::string> names;
};

class FileChangeWait {
 public:
  virtual ~FileChangeWait() = default;
  // Waits at most `ms` for a file in the folder to be created, written,
  // renamed or deleted, and adds what changed to `changes` (0: only collects
  // what is pending). A folder that does not exist (yet) or cannot be
  // watched is looked at again on each call; meanwhile this is a plain sleep.
  virtual void Wait(int ms, FolderChanges& changes) = 0;
};

// Each follower its own: several may watch one folder independently. The
// watch starts here, so nothing changed after this call goes unreported.
std::unique_ptr<FileChangeWait> WatchFolder(const std::string& folder);
