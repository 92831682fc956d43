#pragma once
// Local wall-clock times to UTC through the system's time-zone rules (TZ
// honoured), and this machine's name.
#include <cstdint>
#include <ctime>
#include <string>

// The UTC seconds a local time (counted as if UTC) can stand for, earliest
// first: usually one, two in the hour repeated when daylight saving time
// ends. A local time skipped when it begins is taken with the offset before
// the change. Returns how many were written to `utc` (1 or 2).
int LocalToUtc(int64_t local_seconds, int64_t utc[2]);

// The system's calls beneath LocalToUtc, one platform file each; false when
// the call fails.
bool UtcFields(int64_t seconds, std::tm& fields);
bool LocalFields(int64_t seconds, std::tm& fields);
// mktime: local fields, tm_isdst 0, 1 or -1 (let the zone tell), to UTC.
bool LocalFieldsToUtc(std::tm fields, int64_t& seconds);

// The host name, empty when it cannot be told.
std::string MachineName();
