#pragma once
// The pass: input to output, removed lines to the stripped-lines file.
#include <cstdint>

#include "services/files/line_stream.hpp"
#include "stripper/settings.hpp"

class StripPass {
 public:
  // Opens the input, the output and the stripped-lines file; false after a
  // report (the run ends with 0).
  bool Open(const StripSettings& settings);
  // Passes over the lines up to the last marker.
  void Skip(int64_t lines, StripCounters& counters);
  // Sorts every remaining line. A line that cannot be read or written ends
  // the run with the run-time error report before anything is deleted.
  void Run(const StripSettings& settings, StripCounters& counters);
  // Closes the three files; when the input is to be deleted the outputs are
  // synced to the disk first. A failure ends the run with the report.
  void Close(bool sync);

 private:
  LineReader input_;
  LineWriter output_;
  LineWriter stripped_file_;
  LineWriter* stripped_ = nullptr;  // where removed lines go, if anywhere
};
