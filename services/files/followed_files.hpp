#pragma once
// Looking at and reading files another program is writing, without getting
// in its way: nothing stays open between calls, and on Windows a file open
// here can still be written, renamed and deleted. Names are native.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FileFacts {
  uint64_t identity = 0;  // device and inode; volume serial and file index on Windows
  uint64_t size = 0;
  int64_t modified = 0;  // in some unit that only grows; for ordering files
};

// False when the name is no regular file (missing, a folder, a device).
bool LookAtFile(const std::string& name, FileFacts& facts);

// The names in a folder ("." and ".." left out); false when it cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names);

// One file open for reading for the length of one pass.
class SharedReadFile {
 public:
  SharedReadFile() = default;
  ~SharedReadFile();
  SharedReadFile(const SharedReadFile&) = delete;
  SharedReadFile& operator=(const SharedReadFile&) = delete;

  // False when it is no regular file or cannot be opened; `facts` describe
  // the file opened, so a name replaced meanwhile cannot mislead.
  bool Open(const std::string& name, FileFacts& facts);
  // Bytes read at `offset`, 0 at the end, -1 on an error.
  int64_t ReadAt(uint64_t offset, char* data, size_t size);
  void Close();

 private:
  intptr_t handle_ = -1;
};
