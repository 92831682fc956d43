#include "watcher/chart_drawing.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "services/time/floor_divide.hpp"
#include "watcher/screen_text.hpp"

namespace {

constexpr int kMinimumPlotWidth = 8;
constexpr int64_t kSecondsPerDay = 86400;

struct Range {
  double low = 0, high = 0;
};

// Days since 1970-01-01 to month and day of the proleptic Gregorian calendar.
void MonthAndDay(int64_t days, int& month, int& day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t of_era = days - era * 146097;
  int64_t year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
  int64_t day_of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
}

// hh:mm, with the date in front when the window spans days.
std::string TimeLabel(int64_t seconds, bool with_date) {
  int64_t days = FloorDivide(seconds, kSecondsPerDay);
  int64_t of_day = seconds - days * kSecondsPerDay;
  char text[32];
  if (with_date) {
    int month = 0, day = 0;
    MonthAndDay(days, month, day);
    std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", month, day,
                  static_cast<int>(of_day / 3600), static_cast<int>(of_day / 60 % 60));
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(of_day / 3600),
                  static_cast<int>(of_day / 60 % 60));
  }
  return text;
}

// As many decimals as tell neighbouring rows apart, at most three; at least
// the one a thermometer reads.
int DecimalsFor(double step) {
  if (step >= 0.1) return 1;
  if (step >= 0.01) return 2;
  return 3;
}

std::string ValueLabel(double value, int decimals) {
  char text[32];
  if (std::fabs(value) >= 1e9) {
    std::snprintf(text, sizeof text, "%.3g", value);
  } else {
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
  }
  return text;
}

class Plot {
 public:
  Plot(Range range, int width, int height)
      : range_(range),
        height_(height),
        cells_(static_cast<size_t>(height), std::string(static_cast<size_t>(width), ' ')) {}

  int RowOf(double value) const {
    double share = (range_.high - value) / (range_.high - range_.low);
    // Readings near the ends of what a double holds leave no usable scale.
    if (!std::isfinite(share)) share = 0;
    long row = std::lround(share * (height_ - 1));
    return static_cast<int>(std::clamp<long>(row, 0, height_ - 1));
  }
  double ValueOf(int row) const {
    return range_.high - (range_.high - range_.low) * row / std::max(1, height_ - 1);
  }
  void Band(int column, double low, double high) {
    for (int row = RowOf(high); row <= RowOf(low); ++row)
      cells_[static_cast<size_t>(row)][static_cast<size_t>(column)] = '#';
  }
  void Limit(double value) {
    if (value < range_.low || value > range_.high) return;
    for (char& cell : cells_[static_cast<size_t>(RowOf(value))]) {
      if (cell == ' ') cell = '-';
    }
  }
  const std::string& Row(int row) const { return cells_[static_cast<size_t>(row)]; }

 private:
  Range range_;
  int height_;
  std::vector<std::string> cells_;
};

Range RangeOf(const ChartWindow& chart) {
  Range range{0, 0};
  bool first = true;
  for (int position = 0; position < chart.BucketCount(); ++position) {
    ChartWindow::Bucket bucket = chart.At(position);
    if (!bucket.used) continue;
    range.low = first ? bucket.low : std::min(range.low, bucket.low);
    range.high = first ? bucket.high : std::max(range.high, bucket.high);
    first = false;
  }
  // A steady reading is drawn across the middle.
  double least = 1e-9 * std::max(1.0, std::fabs(range.high));
  if (!(range.high - range.low > least)) {
    double pad = std::max(0.5, std::fabs(range.high) * 1e-3);
    range.low -= pad;
    range.high += pad;
  }
  return range;
}

// Each bucket spreads over the columns of its time, so a wide terminal shows
// no gaps; several buckets in one column share it.
void FillBands(const ChartWindow& chart, int width, Plot& plot) {
  std::vector<Range> columns(static_cast<size_t>(width));
  std::vector<bool> used(static_cast<size_t>(width), false);
  int64_t count = chart.BucketCount();
  for (int position = 0; position < count; ++position) {
    ChartWindow::Bucket bucket = chart.At(position);
    if (!bucket.used) continue;
    int first = static_cast<int>(position * width / count);
    int last = std::max(first, static_cast<int>((position + 1) * width / count) - 1);
    for (int column = first; column <= last; ++column) {
      auto at = static_cast<size_t>(column);
      columns[at].low = used[at] ? std::min(columns[at].low, bucket.low) : bucket.low;
      columns[at].high = used[at] ? std::max(columns[at].high, bucket.high) : bucket.high;
      used[at] = true;
    }
  }
  for (int column = 0; column < width; ++column) {
    auto at = static_cast<size_t>(column);
    if (used[at]) plot.Band(column, columns[at].low, columns[at].high);
  }
}

}  // namespace

std::vector<std::string> DrawChart(const ChartWindow& chart, int columns, int rows,
                                   const std::vector<double>& limits) {
  if (columns < 1 || rows < 1) return {};
  if (chart.Empty()) return {FitCells("(no readings to chart yet)", columns)};
  if (rows < 3 || columns < 3) return {};
  int height = rows - 2;
  Range range = RangeOf(chart);
  int decimals = DecimalsFor((range.high - range.low) / std::max(1, height - 1));
  Plot scale(range, 1, height);
  std::vector<std::string> labels(static_cast<size_t>(height));
  labels.front() = ValueLabel(range.high, decimals);
  labels.back() = ValueLabel(range.low, decimals);
  if (height >= 5)
    labels[static_cast<size_t>(height / 2)] = ValueLabel(scale.ValueOf(height / 2), decimals);
  size_t label_width = 0;
  for (const std::string& label : labels) label_width = std::max(label_width, label.size());
  if (columns - static_cast<int>(label_width) - 1 < kMinimumPlotWidth) label_width = 0;
  int width = columns - static_cast<int>(label_width) - 1;

  Plot plot(range, width, height);
  for (double limit : limits) plot.Limit(limit);
  FillBands(chart, width, plot);

  std::vector<std::string> lines;
  for (int row = 0; row < height; ++row) {
    std::string label = label_width > 0 ? labels[static_cast<size_t>(row)] : "";
    lines.push_back(std::string(label_width - label.size(), ' ') + label + "|" + plot.Row(row));
  }
  lines.push_back(std::string(label_width, ' ') + "+" +
                  std::string(static_cast<size_t>(width), '-'));
  bool with_date = chart.BucketSeconds() * chart.BucketCount() > kSecondsPerDay;
  std::string start = TimeLabel(chart.WindowStart(), with_date);
  std::string latest = TimeLabel(chart.LatestSeconds(), with_date);
  std::string times = std::string(label_width + 1, ' ');
  if (static_cast<int>(start.size() + latest.size()) + 1 <= width) {
    times += start + std::string(static_cast<size_t>(width) - start.size() - latest.size(), ' ') +
             latest;
  } else {
    times += latest;
  }
  lines.push_back(FitCells(times, columns));
  return lines;
}
