#pragma once
// brenwatch's alarm log read back: its event lines within the period.
#include <cstdint>
#include <optional>
#include <string>

#include "reporter/figures.hpp"
#include "reporter/spool.hpp"

struct AlarmEvent {
  int64_t local = 0;
  WrittenNumber time, event, kind, value, limit;
};

// Lines of another form (and events without a time) are passed over. False
// with a message when the file cannot be read.
bool ReadAlarmLog(const std::string& name, std::optional<int64_t> from, std::optional<int64_t> to,
                  Spool<AlarmEvent>& events, std::string& error);
