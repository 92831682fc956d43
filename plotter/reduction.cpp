#include "plotter/reduction.hpp"

#include <algorithm>
#include <cmath>

Reducer::Reducer(int columns)
    : columns_(static_cast<size_t>(std::max(columns, 1))), limit_(4 * columns_ + 16) {}

void Reducer::Merge(Bucket& into, const Bucket& next) {
  into.x_last = next.x_last;
  bool low = next.y_low < into.y_low;
  bool high = next.y_high > into.y_high;
  if (low) into.y_low = next.y_low, into.x_low = next.x_low;
  if (high) into.y_high = next.y_high, into.x_high = next.x_high;
  if (low && high) {
    into.low_first = next.low_first;
  } else if (low || high) {
    into.low_first = high;
  }
}

void Reducer::AddBucket(double x, double y) {
  if (buckets_.empty()) origin_ = x;
  bool starts_line = buckets_.empty() || break_ || x < buckets_.back().x_last;
  break_ = false;
  // Readings before the first one (a clock set back) get keys below zero.
  buckets_.push_back({Key(x), starts_line, true, x, x, x, y, x, y});
  if (buckets_.size() > limit_) Coarsen();
  SetHigh();
}

void Reducer::Coarsen() {
  while (buckets_.size() > limit_ / 2) {
    size_t before = buckets_.size();
    width_ *= 2.0;
    size_t kept = 0;
    for (size_t i = 0; i < buckets_.size(); ++i) {
      Bucket b = buckets_[i];
      b.key = Key(b.x_first);
      if (kept > 0 && !b.starts_line && buckets_[kept - 1].key == b.key) {
        Merge(buckets_[kept - 1], b);
      } else {
        buckets_[kept++] = b;
      }
    }
    buckets_.resize(kept);
    // Only line breaks are left to merge: make room instead of looping.
    if (kept == before) {
      limit_ = std::max(limit_, kept * 2);
      break;
    }
  }
}

std::vector<ChartPoint> Reducer::Finish() const {
  std::vector<ChartPoint> points;
  if (buckets_.empty()) return points;
  double low = buckets_.front().x_first;
  double high = low;
  for (const Bucket& b : buckets_) {
    low = std::min(low, b.x_first);
    high = std::max(high, b.x_last);
  }
  double width = (high - low) / static_cast<double>(columns_);
  if (!(width > 0.0)) width = 1.0;
  auto column = [&](double x) { return static_cast<int64_t>((x - low) / width); };
  auto emit = [&](const Bucket& b) {
    bool low_first = b.low_first;
    ChartPoint first{low_first ? b.x_low : b.x_high, low_first ? b.y_low : b.y_high, b.starts_line};
    points.push_back(first);
    if (b.y_low != b.y_high) {
      points.push_back({low_first ? b.x_high : b.x_low, low_first ? b.y_high : b.y_low, false});
    }
  };
  Bucket current = buckets_.front();
  for (size_t i = 1; i < buckets_.size(); ++i) {
    const Bucket& b = buckets_[i];
    if (!b.starts_line && column(b.x_first) == column(current.x_first)) {
      Merge(current, b);
    } else {
      emit(current);
      current = b;
    }
  }
  emit(current);
  return points;
}
