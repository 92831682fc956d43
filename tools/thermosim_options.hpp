#pragma once
// thermosim's command line.
#include <cstdint>
#include <string>

struct SimOptions {
  std::string link;  // --link PATH: a symlink to the device
  int64_t interval_ms = 2000;
  int64_t eot_after = -1;   // readings before EOT; -1 never
  int64_t flood = -1;       // lines of the flood; -1 no flood
  uint64_t rate = 0;        // flood bytes per second; 0 as fast as the line takes them
  int64_t block = 0;        // flood written in blocks of this many bytes; 0 not
  int64_t gap_us = 100;     // pause after each block
  int64_t linger_ms = 500;  // after everything was read
  bool quiet = false;
};

// false with `problem` set for a command line that cannot be used.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& problem);
const char* SimUsage();
