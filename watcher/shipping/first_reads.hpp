#pragma once
// When each reading of a log without stamps was first read, noted while the
// server is away, so a backlog keeps the readings' own times instead of the
// time shipping resumed. Kept in a spool file beside the state, so a restart
// in the middle of an outage keeps them too. Only the disk limits how many:
// memory holds a window of the spool and a cursor into it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class FirstReads {
 public:
  // Records read ahead of the spool's cursor: twice a batch and more, so the
  // stale front of a restart or an outage's start is passed in memory.
  static constexpr size_t kWindow = 16384;
  // Records kept while the spool cannot be written; past them, readings get
  // the time they are shipped.
  static constexpr size_t kMostUnwritten = 50000;

  // Goes on with what an earlier run noted in `path`. `say` gets one line
  // when noted times are lost because the spool cannot be written.
  explicit FirstReads(std::string path, std::function<void(const std::string&)> say = nullptr);
  // Notes the reading that ends at `offset` of the file `identity`.
  void Note(uint64_t identity, uint64_t offset, int64_t millisecond);
  // A reader starts again from where shipping stands: what it reads up to
  // the last reading noted so far is in the spool already.
  void StartAhead();
  // The reading taken last is in the spool file still (taken ones stay in it
  // until all are): a restart finds it, no need to note it again.
  bool HoldsTaken() const { return took_; }
  // Notes a reading of that reader, unless it was noted already.
  void NoteAhead(uint64_t identity, uint64_t offset, int64_t millisecond);
  // That reader is at the logs' end.
  void AheadAtEnd() { skipping_ = false; }
  // Writes what was noted since the last call to the spool file; what it
  // cannot write is tried again next time.
  void Flush();
  // The time noted for that reading, else `otherwise`; what was noted before
  // it is forgotten.
  int64_t Take(uint64_t identity, uint64_t offset, int64_t otherwise);

 private:
  struct Read {
    uint64_t identity = 0;
    uint64_t offset = 0;
    int64_t millisecond = 0;
  };
  // A stretch of one file's offsets, both ends excluded, that the spool
  // certainly does not hold.
  struct Gap {
    bool known = false;
    uint64_t identity = 0, above = 0, below = 0;
  };

  bool Empty() const { return window_.empty() && cursor_ >= end_ && unwritten_.empty(); }
  // Calls `visit(read)` for the file's records from `from` until it returns
  // true; gives where it stopped (just past that record), else end_.
  template <class Visit>
  uint64_t Scan(uint64_t from, Visit visit) const;
  void TopUp();
  int64_t Taken(int64_t millisecond);

  std::string path_;
  std::function<void(const std::string&)> say_;
  std::deque<Read> window_;  // the file's records before cursor_ not taken yet
  uint64_t cursor_ = 0;
  uint64_t end_ = 0;  // the file's size as written
  std::deque<Read> unwritten_;
  std::string failure_;  // why the last write failed
  bool dropping_ = false;
  bool newline_first_ = false;  // the file ends in a broken line that stayed
  Gap gap_;
  Read last_;  // the last one noted
  bool any_ = false;
  bool took_ = false;
  bool skipping_ = false;
  Read skip_to_;
};
