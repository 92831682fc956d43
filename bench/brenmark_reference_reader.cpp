// The reference for the logger's flood figures: the least a logger must do
// per line, written plainly. Reads a terminal device in blocks until EOT and
// appends each line with date and time, one write(2) per line.
//   brenmark_reference_reader DEVICE OUTPUT
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

bool WriteAll(int fd, const std::string& s) {
  size_t at = 0;
  while (at < s.size()) {
    ssize_t n = write(fd, s.data() + at, s.size() - at);
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DEVICE OUTPUT\n", argv[0]);
    return 2;
  }
  int in = open(argv[1], O_RDONLY | O_NOCTTY);
  int out = open(argv[2], O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (in < 0 || out < 0) {
    std::perror("open");
    return 1;
  }
  char block[65536];
  std::string line, record;
  char stamp[32] = "";
  time_t stamped_second = -1;
  for (;;) {
    ssize_t n = read(in, block, sizeof block);
    if (n <= 0) return 1;
    for (ssize_t i = 0; i < n; ++i) {
      char c = block[i];
      if (c == 4) return 0;
      if (c != '\r' && c != '\n') {
        line += c;
        continue;
      }
      if (line.empty()) continue;
      time_t now = time(nullptr);
      if (now != stamped_second) {
        tm parts;
        localtime_r(&now, &parts);
        strftime(stamp, sizeof stamp, "%Y-%m-%d\t%H:%M:%S\t", &parts);
        stamped_second = now;
      }
      record.assign(stamp);
      record += line;
      record += "\r\n";
      if (!WriteAll(out, record)) return 1;
      line.clear();
    }
  }
}
