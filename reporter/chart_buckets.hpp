#pragma once
// The chart's data in fixed memory: the lowest and highest reading of each
// stretch of local time. When readings run past the last bucket, buckets are
// merged in pairs and each covers twice as long.
#include <cstddef>
#include <cstdint>
#include <vector>

struct ChartBucket {
  int64_t start = 0;  // local seconds
  double minimum = 0.0;
  double maximum = 0.0;
  bool filled = false;
  bool gap_before = false;  // a gap ended here: the line breaks before it
};

class ChartBuckets {
 public:
  explicit ChartBuckets(int count = 1000);
  // Where the chart starts and, when known, how long it is.
  void Begin(int64_t start, int64_t length);
  void Take(int64_t local, double value, bool after_gap);
  int64_t width() const { return width_; }
  // The filled buckets in order of time.
  std::vector<ChartBucket> Filled() const;

 private:
  void Widen();

  std::vector<ChartBucket> buckets_;
  bool begun_ = false;
  int64_t start_ = 0;
  int64_t width_ = 1;
};
