#pragma once
// One pass over the logs: every reading goes to the data output or into the
// chart's reduction and summary, comments that switch a mode become marks.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "logreader/log_record.hpp"
#include "plotter/chart_script.hpp"
#include "plotter/plot_options.hpp"
#include "plotter/reduction.hpp"

class LogPass {
 public:
  // `columns`: of the chart; `data`: where --data lines go (nullptr: none).
  LogPass(const PlotOptions& options, int columns, std::FILE* data);

  // Reads one log file; false with a message naming it when it cannot be read.
  bool ReadFile(const std::string& name, std::string& error);
  // One line; CR, LF and CR LF ends already taken off.
  void Line(std::string_view line);
  // A gap between files.
  void Break();

  // Writes out the data lines still held; false when any write failed.
  bool FlushData();
  int64_t readings() const { return summary_.count; }
  int64_t skipped() const { return skipped_; }
  // The chart of what was read; the title left to the caller.
  Chart MakeChart() const;

 private:
  struct Mark {
    double time_x;
    double index_x;
    bool placed;
    std::string label;
  };
  void Reading(const Record& r);
  void Data(const Record& r);
  std::string Place() const;

  const PlotOptions& options_;
  std::FILE* data_;
  std::string pending_;
  bool data_failed_ = false;
  Reducer by_time_;
  Reducer by_index_;
  Summary summary_;
  bool all_stamped_ = true;
  int64_t read_ = 0;  // readings read, also those left out by --from/--to
  int64_t skipped_ = 0;
  double offset_ = 0.0;
  int64_t last_seconds_ = 0;
  // Where the shown readings begin and end: a stamp, or a reading number.
  std::string first_place_;
  char last_stamp_[19] = {};
  int64_t last_number_ = 0;
  std::vector<Mark> marks_;
};
