#include "watcher/file_head.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

namespace {

// A few stamped records: enough to tell a new log from the one that was read.
constexpr size_t kHeadBytes = 1024;

uint64_t Hash(const char* data, size_t size) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < size; ++i) {
    hash = (hash ^ static_cast<unsigned char>(data[i])) * 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

bool SameHead(SharedReadFile& file, uint64_t size, FileHead& head) {
  char bytes[kHeadBytes];
  size_t want = static_cast<size_t>(std::min<uint64_t>(size, kHeadBytes));
  size_t got = 0;
  while (got < want) {
    int64_t n = file.ReadAt(got, bytes + got, want - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (head.length > 0 && (got < head.length || Hash(bytes, head.length) != head.hash)) {
    return false;
  }
  head = {Hash(bytes, got), static_cast<uint32_t>(got)};
  return true;
}

uint64_t EndOfLastLine(SharedReadFile& file, uint64_t size) {
  constexpr uint64_t kLook = 64 * 1024;
  uint64_t from = size > kLook ? size - kLook : 0;
  std::string tail(static_cast<size_t>(size - from), '\0');
  int64_t got = tail.empty() ? 0 : file.ReadAt(from, tail.data(), tail.size());
  tail.resize(got > 0 ? static_cast<size_t>(got) : 0);
  size_t end = tail.find_last_of("\r\n");
  // A last line longer than the look is taken as ended where the file ends.
  return end == std::string::npos ? (size > kLook ? size : 0) : from + end + 1;
}
