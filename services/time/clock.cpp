#include "services/time/clock.hpp"

namespace {
Clock* installed = nullptr;
}  // namespace

Clock& CurrentClock() {
  return installed ? *installed : SystemClock();
}

void SetClock(Clock* clock) {
  installed = clock;
}
