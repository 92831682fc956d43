#pragma once
// Bringing any number of readings down to what a chart can show: per column
// the lowest and the highest reading, in the order they came, so a one-off
// spike survives. Memory depends on the chart width, not on the input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

struct ChartPoint {
  double x = 0.0;
  double y = 0.0;
  bool starts_line = false;  // a break before this point
};

class Reducer {
 public:
  // `columns`: the columns of the finished chart.
  explicit Reducer(int columns);

  // x must not go backwards within a line; a step back starts a new line.
  void Add(double x, double y) {
    if (!buckets_.empty()) {
      Bucket& last = buckets_.back();
      // The bucket's bounds stand in for Key(x) == last.key.
      if (!break_ && x >= last.x_last && x < high_) {
        last.x_last = x;
        // Several readings can share one stamp: order is kept by a flag, not by x.
        if (y < last.y_low) last.y_low = y, last.x_low = x, last.low_first = false;
        if (y > last.y_high) last.y_high = y, last.x_high = x, last.low_first = true;
        return;
      }
    }
    AddBucket(x, y);
  }
  // The next reading begins a new line.
  void Break() { break_ = true; }
  bool empty() const { return buckets_.empty(); }
  // The points to draw: at most two per column and line.
  std::vector<ChartPoint> Finish() const;

 private:
  struct Bucket {
    int64_t key;
    bool starts_line;
    bool low_first;  // the lowest reading came before the highest
    double x_first, x_last;
    double x_low, y_low;
    double x_high, y_high;
  };
  int64_t Key(double x) const { return static_cast<int64_t>(std::floor((x - origin_) / width_)); }
  void AddBucket(double x, double y);
  // Doubles the bucket width until the buckets fit in the limit again.
  void Coarsen();
  void SetHigh() { high_ = origin_ + static_cast<double>(buckets_.back().key + 1) * width_; }
  static void Merge(Bucket& into, const Bucket& next);

  size_t columns_;
  size_t limit_;
  double origin_ = 0.0;
  double width_ = 1.0;
  double high_ = 0.0;  // where the last bucket ends
  bool break_ = false;
  std::vector<Bucket> buckets_;
};

// The figures shown beside the chart.
struct Summary {
  int64_t count = 0;
  double low = 0.0;
  double high = 0.0;
  double sum = 0.0;
  void Add(double y) {
    if (count == 0 || y < low) low = y;
    if (count == 0 || y > high) high = y;
    sum += y;
    ++count;
  }
  double mean() const { return count == 0 ? 0.0 : sum / static_cast<double>(count); }
};
