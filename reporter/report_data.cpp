#include "reporter/report_data.hpp"

#include "logreader/log_record.hpp"

std::string LocalTimeText(int64_t local) {
  std::string text = StampText(local);
  text[10] = 'T';
  return text;
}

std::string DayText(int64_t day) {
  return StampText(day * 86400).substr(0, 10);
}
