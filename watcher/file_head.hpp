#pragma once
// What a log file begins with and where its last whole line ends: how the
// follower tells a replaced file from the one it read (a file system may
// give the replacement the old inode number), and where it starts on a log
// that is being written.
#include <cstdint>

#include "services/files/followed_files.hpp"

struct FileHead {
  uint64_t hash = 0;
  uint32_t length = 0;  // bytes hashed; 0: unknown, any beginning matches
};

// True when the open file of `size` bytes begins as `head` says; `head`
// then covers as much of the file as it may.
bool SameHead(SharedReadFile& file, uint64_t size, FileHead& head);

// Just past the last line end of the open file of `size` bytes (0 when it
// holds none), so a record still being written is read whole.
uint64_t EndOfLastLine(SharedReadFile& file, uint64_t size);
