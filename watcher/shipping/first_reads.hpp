#pragma once
// When each reading of a log without stamps was first read, noted while the
// server is away, so a backlog keeps the readings' own times instead of the
// time shipping resumed. Kept in a small spool file beside the state, so a
// restart in the middle of an outage keeps them too.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

class FirstReads {
 public:
  // A day and more of one reading a second; past it, readings get the time
  // they are shipped.
  static constexpr size_t kMost = 100000;

  // Takes what an earlier run noted from `path`.
  explicit FirstReads(std::string path);
  // Notes the reading that ends at `offset` of the file `identity`.
  void Note(uint64_t identity, uint64_t offset, int64_t millisecond);
  // Writes what was noted since the last call to the spool file.
  void Flush();
  // The time noted for that reading, else `otherwise`; what was noted before
  // it is forgotten.
  int64_t Take(uint64_t identity, uint64_t offset, int64_t otherwise);

 private:
  struct Read {
    uint64_t identity;
    uint64_t offset;
    int64_t millisecond;
  };
  std::string path_;
  std::deque<Read> reads_;
  std::string unwritten_;
};
