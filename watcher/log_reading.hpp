#pragma once
// A log line as the alarms see it: a reading with its number as written and
// its time, or nothing.
#include <cstdint>
#include <string_view>

#include "logreader/log_record.hpp"

// The number a reading's text begins with, exactly as the log wrote it.
std::string_view NumberText(std::string_view text);

// yyyy-mm-ddThh:mm:ss of a stamped record.
class StampTime {
 public:
  std::string_view Of(const Record& record);

 private:
  char text_[19] = {};
};
