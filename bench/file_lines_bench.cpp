// Numbered-file throughput: lines written with PrintFileLine, then read back
// with LineInput, for short (log-record sized) and long lines.
//   file_lines_bench [DIRECTORY] [MEGABYTES]
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/files/files.hpp"

namespace {

double Seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void Run(const std::string& path, size_t line_length, size_t megabytes) {
  std::string text(line_length, 'x');
  size_t lines = megabytes * 1024 * 1024 / (line_length + 2);
  double start = Seconds();
  if (OpenFile(1, path, OpenMode::kOutput) != 0) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    std::exit(1);
  }
  for (size_t i = 0; i < lines; ++i) PrintFileLine(1, text);
  if (CloseFile(1) != 0) std::fprintf(stderr, "write failed\n");
  double written = Seconds();
  OpenFile(1, path, OpenMode::kInput);
  std::string line;
  size_t read = 0;
  while (!EndOfFile(1)) {
    LineInput(1, line);
    ++read;
  }
  CloseFile(1);
  double done = Seconds();
  double mb = static_cast<double>(lines * (line_length + 2)) / (1024.0 * 1024.0);
  std::printf("%7zu-byte lines: %9zu lines  write %8.1f MB/s  read %8.1f MB/s (%zu read)\n",
              line_length, lines, mb / (written - start), mb / (done - written), read);
  unlink(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  size_t megabytes = argc > 2 ? static_cast<size_t>(std::atol(argv[2])) : 100;
  std::string path = dir + "/file_lines_bench." + std::to_string(getpid());
  for (size_t length : {40, 200, 4000, 1000000}) Run(path, length, megabytes);
  return 0;
}
