#pragma once
// Guards for files a program keeps for itself (a position, a secret): one
// user at a time, renames that survive a power cut, and secrets others
// cannot read. Names are native.
#include <memory>
#include <string>

class FileLock {
 public:
  virtual ~FileLock() = default;
};

// Locks `name` (created when missing) for this process until the lock is
// destroyed or the process ends, however it ends. Null when another process
// holds it: `holder` then says which ("process 1234") where the system tells,
// else is empty; `error` says why when the file cannot be locked at all.
std::unique_ptr<FileLock> LockFile(const std::string& name, std::string& holder,
                                   std::string& error);

// Flushes the folder holding `name` to the disk, so a rename into it is
// kept after a power cut. False when that failed.
bool SyncFolderOf(const std::string& name);

// True when users other than the owner may read `name` (group or world).
bool ReadableByOthers(const std::string& name);
