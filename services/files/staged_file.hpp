#pragma once
// A file written under a temporary name beside its own and put in its place
// only when complete: a failed run leaves the old file as it was. On Windows
// names are UTF-8 (the programs' manifest) and go to the W calls.
#include <cstdint>
#include <string>

class StagedFile {
 public:
  StagedFile() = default;
  // A file never committed is removed, also when the program is ended by
  // SIGINT, SIGTERM, SIGHUP or SIGQUIT while it is staged.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file beside `name`, or beside the file a link
  // names. False when `name` may not be written: a directory, a file without
  // write permission, a folder that does not exist or takes no new file. A
  // FIFO or a device is written directly.
  bool Begin(const std::string& name);
  // A C runtime descriptor for the contents.
  int descriptor() const { return fd_; }
  // Where the contents go until Commit: for a helper program that writes
  // the file by its name.
  const std::string& WorkingName() const { return temporary_.empty() ? target_ : temporary_; }
  // Bytes written so far; -1 when the file is no regular file.
  int64_t Size() const;
  // Flushes the contents to the disk and puts the file in place of `name`;
  // false when any step fails, `name` then unchanged.
  bool Commit();

 private:
  std::string target_;
  std::string temporary_;  // empty when written directly
  int fd_ = -1;
};

// Puts the file `from` in place of `to` in one step, flushed through to the
// disk (Windows: MoveFileExW with MOVEFILE_WRITE_THROUGH); false with errno
// set.
bool MoveIntoPlace(const std::string& from, const std::string& to);
