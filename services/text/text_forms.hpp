#pragma once
// Text forms of dates, times and numbers, as users see them in log records,
// status lines and messages.
#include <cstdint>
#include <string>
#include <string_view>

#include "services/time/clock.hpp"

// mm-dd-yyyy and hh:mm:ss of the current clock; empty when local time fails.
std::string DateText();
std::string TimeText();
// The same forms of a given time (pure).
std::string DateTextOf(const LocalTime& t);
std::string TimeTextOf(const LocalTime& t);

// Decimal, "-" before negatives, no blank or "+".
std::string IntText(int64_t n);
// "%.7g" form of a single-precision number.
std::string SingleText(float x);
// The number a text begins with: leading blanks skipped; &H, &O, &B and bare
// & radix forms; D as exponent letter; 0 when no number begins the text.
double NumberValue(std::string_view s);
