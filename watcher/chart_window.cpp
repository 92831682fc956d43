#include <algorithm>
#include <cmath>

#include "services/time/floor_divide.hpp"
#include "watcher/screen.hpp"

namespace {

// Beyond any stamp a log can hold; keeps the arithmetic below from
// overflowing on a corrupt one.
constexpr int64_t kSecondsLimit = int64_t{1} << 45;
constexpr int64_t kWindowLimit = int64_t{1} << 40;

// The ring slot of a bucket: each index has one, reused a window later.
size_t SlotOf(int64_t index, int count) {
  return static_cast<size_t>(index - FloorDivide(index, count) * count);
}

}  // namespace

ChartWindow::ChartWindow(int64_t window_seconds) {
  int64_t window = std::clamp<int64_t>(window_seconds, 1, kWindowLimit);
  bucket_seconds_ = (window + kMaxBuckets - 1) / kMaxBuckets;
  ring_.resize(static_cast<size_t>((window + bucket_seconds_ - 1) / bucket_seconds_));
}

void ChartWindow::Add(int64_t seconds, double value) {
  if (!std::isfinite(value) || seconds > kSecondsLimit || seconds < -kSecondsLimit) return;
  int64_t index = FloorDivide(seconds, bucket_seconds_);
  // A reading a little out of order joins its bucket; a bigger step back
  // would freeze the chart until time caught up again.
  if (!has_readings_ || index < latest_index_ - 1) {
    for (Bucket& bucket : ring_) bucket.used = false;
    has_readings_ = true;
    latest_index_ = index;
    latest_seconds_ = seconds;
  } else if (index > latest_index_) {
    latest_index_ = index;
  }
  latest_seconds_ = std::max(latest_seconds_, seconds);
  Bucket& bucket = ring_[SlotOf(index, BucketCount())];
  if (!bucket.used || bucket.index != index) {
    bucket = Bucket{index, value, value, true};
    return;
  }
  bucket.low = std::min(bucket.low, value);
  bucket.high = std::max(bucket.high, value);
}

ChartWindow::Bucket ChartWindow::At(int position) const {
  if (!has_readings_ || position < 0 || position >= BucketCount()) return {};
  int64_t index = latest_index_ - BucketCount() + 1 + position;
  const Bucket& bucket = ring_[SlotOf(index, BucketCount())];
  if (!bucket.used || bucket.index != index) return {};
  return bucket;
}

int64_t ChartWindow::WindowStart() const {
  return (latest_index_ - BucketCount() + 1) * bucket_seconds_;
}
