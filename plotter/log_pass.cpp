#include "plotter/log_pass.hpp"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "logreader/record_lines.hpp"

namespace {
// Marks beyond this many would hide the line.
constexpr size_t kMostMarks = 40;
}  // namespace

LogPass::LogPass(const PlotOptions& options, int columns, std::FILE* data)
    : options_(options), data_(data), by_time_(columns), by_index_(columns) {}

bool LogPass::ReadFile(const std::string& name, std::string& error) {
  RecordLines reader;
  if (!reader.Open(name)) {
    error = "cannot open the log " + name;
    return false;
  }
  Break();
  std::string_view line;
  while (reader.Next(line)) Line(line);
  if (reader.failed()) {
    error = "cannot read the log " + name;
    return false;
  }
  return true;
}

void LogPass::Break() {
  by_time_.Break();
  by_index_.Break();
}

void LogPass::Line(std::string_view line) {
  Record r = ReadRecord(line);
  switch (r.kind) {
    case RecordKind::kReading:
      Reading(r);
      break;
    case RecordKind::kNoNumber:
      ++skipped_;
      break;
    case RecordKind::kRunEnd:
      Break();
      break;
    case RecordKind::kComment:
      if (data_ == nullptr && marks_.size() < kMostMarks) {
        std::string label = MarkLabel(r.text, offset_);
        if (!label.empty()) {
          marks_.push_back(
              {static_cast<double>(last_seconds_), static_cast<double>(read_), read_ > 0, label});
        }
      }
      break;
    case RecordKind::kEmpty:
      break;
  }
}

void LogPass::Reading(const Record& r) {
  ++read_;
  if (r.stamped) last_seconds_ = r.seconds;
  // A mark before the first reading stands at it.
  for (size_t i = marks_.size(); i > 0 && !marks_[i - 1].placed; --i) {
    marks_[i - 1] = {static_cast<double>(r.seconds), static_cast<double>(read_), true,
                     marks_[i - 1].label};
  }
  if (options_.has_from || options_.has_to) {
    if (!r.stamped) return;
    if (options_.has_from && r.seconds < options_.from) return;
    if (options_.has_to && r.seconds > options_.to) return;
  }
  summary_.Add(r.value);
  if (data_ != nullptr) {
    Data(r);
    return;
  }
  by_index_.Add(static_cast<double>(read_), r.value);
  if (all_stamped_) {
    if (r.stamped) {
      by_time_.Add(static_cast<double>(r.seconds), r.value);
    } else {
      all_stamped_ = false;
    }
  }
  if (r.stamped) {
    std::memcpy(last_stamp_, r.date.data(), 10);
    last_stamp_[10] = ' ';
    std::memcpy(last_stamp_ + 11, r.time.data(), 8);
    last_number_ = 0;
  } else {
    last_number_ = read_;
  }
  if (summary_.count == 1) first_place_ = Place();
}

std::string LogPass::Place() const {
  if (last_number_ > 0) return "reading " + std::to_string(last_number_);
  return std::string(last_stamp_, sizeof last_stamp_);
}

void LogPass::Data(const Record& r) {
  std::string& out = pending_;
  if (r.stamped) {
    out.append(r.date);
    out += 'T';
    out.append(r.time);
  } else {
    char n[24];
    out.append(n, std::to_chars(n, n + sizeof n, read_).ptr);
  }
  out += ',';
  char v[64];
  out.append(v, std::to_chars(v, v + sizeof v, r.value).ptr);
  out += '\n';
  if (out.size() >= (1 << 20)) FlushData();
}

bool LogPass::FlushData() {
  if (data_ != nullptr && !pending_.empty()) {
    if (std::fwrite(pending_.data(), 1, pending_.size(), data_) != pending_.size()) {
      data_failed_ = true;
    }
    pending_.clear();
  }
  if (data_ != nullptr && std::fflush(data_) != 0) data_failed_ = true;
  return !data_failed_;
}

Chart LogPass::MakeChart() const {
  Chart chart;
  chart.time_axis = all_stamped_;
  chart.points = all_stamped_ ? by_time_.Finish() : by_index_.Finish();
  for (const Mark& m : marks_) {
    if (m.placed) chart.marks.push_back({all_stamped_ ? m.time_x : m.index_x, m.label});
  }
  auto number = [](double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", x);
    return std::string(text);
  };
  char mean[32];
  std::snprintf(mean, sizeof mean, "%.5g", summary_.mean());
  chart.summary = {
      first_place_ + " to " + Place(), "min " + number(summary_.low),
      "max " + number(summary_.high), "mean " + std::string(mean),
      std::to_string(summary_.count) + (summary_.count == 1 ? " reading" : " readings")};
  if (skipped_ > 0) chart.summary.push_back(std::to_string(skipped_) + " without a number");
  return chart;
}
