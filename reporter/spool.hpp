#pragma once
// A list of fixed-size records that may grow without bound: the first few
// thousand in memory, the rest in a temporary file read back in order.
#include <cstdio>
#include <type_traits>
#include <vector>

template <class T>
class Spool {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  Spool() = default;
  ~Spool() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // False when a record could not be kept (no temporary file could be made
  // or written).
  bool Add(const T& record) {
    ++count_;
    if (memory_.size() < kInMemory) {
      memory_.push_back(record);
      return true;
    }
    if (file_ == nullptr) file_ = std::tmpfile();
    if (file_ == nullptr || std::fwrite(&record, sizeof record, 1, file_) != 1) failed_ = true;
    return !failed_;
  }
  size_t size() const { return count_; }
  bool failed() const { return failed_; }

  // Calls `visit` with every record in the order added; false when the
  // temporary file could not be read back whole.
  template <class Visit>
  bool ForEach(Visit visit) const {
    for (const T& record : memory_) visit(record);
    if (file_ == nullptr) return !failed_;
    std::fflush(file_);
    std::rewind(file_);
    T record;
    size_t read = 0;
    while (std::fread(&record, sizeof record, 1, file_) == 1) {
      visit(record);
      ++read;
    }
    std::fseek(file_, 0, SEEK_END);
    return !failed_ && read + memory_.size() == count_;
  }

 private:
  static constexpr size_t kInMemory = 4096;
  std::vector<T> memory_;
  std::FILE* file_ = nullptr;
  size_t count_ = 0;
  bool failed_ = false;
};
