#include "reporter/chart_buckets.hpp"

ChartBuckets::ChartBuckets(int count) : buckets_(count < 2 ? 2 : count) {}

void ChartBuckets::Begin(int64_t start, int64_t length) {
  begun_ = true;
  start_ = start;
  width_ = 1;
  int64_t count = static_cast<int64_t>(buckets_.size());
  while (length > width_ * count) width_ *= 2;
}

void ChartBuckets::Widen() {
  size_t half = buckets_.size() / 2;
  for (size_t i = 0; i < half; ++i) {
    ChartBucket merged = buckets_[2 * i];
    const ChartBucket& second = buckets_[2 * i + 1];
    if (second.filled) {
      if (!merged.filled) {
        merged = second;
      } else {
        if (second.minimum < merged.minimum) merged.minimum = second.minimum;
        if (second.maximum > merged.maximum) merged.maximum = second.maximum;
      }
    }
    merged.gap_before = buckets_[2 * i].gap_before || (!buckets_[2 * i].filled && second.gap_before);
    merged.start = start_ + static_cast<int64_t>(i) * width_ * 2;
    buckets_[i] = merged;
  }
  for (size_t i = half; i < buckets_.size(); ++i) buckets_[i] = ChartBucket{};
  width_ *= 2;
}

void ChartBuckets::Take(int64_t local, double value, bool after_gap) {
  if (!begun_) Begin(local, 0);
  // A stamp before the start (a clock set back) joins the first bucket.
  int64_t offset = local < start_ ? 0 : local - start_;
  while (offset / width_ >= static_cast<int64_t>(buckets_.size())) Widen();
  ChartBucket& bucket = buckets_[static_cast<size_t>(offset / width_)];
  if (!bucket.filled) {
    bucket.filled = true;
    bucket.start = start_ + offset / width_ * width_;
    bucket.minimum = bucket.maximum = value;
    bucket.gap_before = after_gap;
    return;
  }
  if (value < bucket.minimum) bucket.minimum = value;
  if (value > bucket.maximum) bucket.maximum = value;
}

std::vector<ChartBucket> ChartBuckets::Filled() const {
  std::vector<ChartBucket> filled;
  for (const ChartBucket& bucket : buckets_) {
    if (bucket.filled) filled.push_back(bucket);
  }
  return filled;
}
