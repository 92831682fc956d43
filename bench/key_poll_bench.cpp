// Cost of the logger's once-per-pass key poll when no key is waiting, on
// whatever standard input is (a terminal, an open pipe, /dev/null), and of
// console lines to standard output (send it to /dev/null or a file).
//   key_poll_bench [MILLION_POLLS] < input > /dev/null
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/console/console.hpp"

namespace {

double Seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  long millions = argc > 1 ? std::atol(argv[1]) : 10;
  long polls = millions * 1000000;
  long keys = 0;
  double start = Seconds();
  for (long i = 0; i < polls; ++i) keys += KeyCode(PollKey()) != 0;
  double poll_seconds = Seconds() - start;

  const std::string record = "2024-05-01,12:00:00,72.5";
  const long lines = 1000000;
  start = Seconds();
  for (long i = 0; i < lines; ++i) PrintLine(record);
  double line_seconds = Seconds() - start;

  std::fprintf(stderr, "PollKey: %ld polls, %.1f ns each (%ld keys)\n", polls,
               poll_seconds * 1e9 / static_cast<double>(polls), keys);
  std::fprintf(stderr, "PrintLine: %ld lines of %zu bytes, %.0f ns each\n", lines, record.size(),
               line_seconds * 1e9 / static_cast<double>(lines));
  return 0;
}
