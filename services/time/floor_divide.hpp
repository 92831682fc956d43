#pragma once
// Division rounded toward minus infinity: the day, hour or second a time
// before 1970 (or a negative index) falls in.
#include <cstdint>

constexpr int64_t FloorDivide(int64_t a, int64_t b) {
  int64_t quotient = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}
