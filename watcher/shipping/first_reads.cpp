#include "watcher/shipping/first_reads.hpp"

#include <cstdio>
#include <fstream>

#include "services/files/files.hpp"

FirstReads::FirstReads(std::string path) : path_(NativeFileName(path)) {
  std::ifstream in(path_, std::ios::binary);
  Read read;
  while (reads_.size() < kMost && in >> read.identity >> read.offset >> read.millisecond) {
    reads_.push_back(read);
  }
}

void FirstReads::Note(uint64_t identity, uint64_t offset, int64_t millisecond) {
  if (reads_.size() >= kMost) return;
  reads_.push_back({identity, offset, millisecond});
  unwritten_ += std::to_string(identity) + ' ' + std::to_string(offset) + ' ' +
                std::to_string(millisecond) + '\n';
}

void FirstReads::Flush() {
  if (unwritten_.empty()) return;
  if (std::FILE* file = std::fopen(path_.c_str(), "ab")) {
    std::fwrite(unwritten_.data(), 1, unwritten_.size(), file);
    std::fclose(file);
  }
  unwritten_.clear();
}

int64_t FirstReads::Take(uint64_t identity, uint64_t offset, int64_t otherwise) {
  for (size_t i = 0; i < reads_.size(); ++i) {
    if (reads_[i].identity != identity || reads_[i].offset != offset) continue;
    int64_t millisecond = reads_[i].millisecond;
    reads_.erase(reads_.begin(), reads_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    if (reads_.empty()) {
      // All shipped: the spool starts empty again.
      Flush();
      std::remove(path_.c_str());
    }
    return millisecond;
  }
  return otherwise;
}
