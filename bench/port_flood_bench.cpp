// Lines per second from a thermosim flood, read two ways: straight read(2)
// of the device in big blocks (what thermosim itself can deliver) and one
// byte per AtEnd/ReadPort call through the serial port service (what the
// logger's loop gets).
//   port_flood_bench [THERMOSIM_PATH] [LINES]
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/serial/serial_port.hpp"

namespace {

double Seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Starts thermosim and gives its port string.
pid_t StartSimulator(const std::string& path, long lines, std::string& port_string) {
  int out[2];
  if (pipe(out) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    std::string count = std::to_string(lines);
    execl(path.c_str(), path.c_str(), "--flood", count.c_str(), "--quiet", "--linger", "0",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') port_string.push_back(c);
  close(out[0]);
  return pid;
}

long RawLines(const std::string& port_string) {
  int fd = open(port_string.substr(0, port_string.find(':')).c_str(), O_RDONLY | O_NOCTTY);
  if (fd < 0) return -1;
  static char buffer[1 << 16];
  long lines = 0;
  for (bool done = false; !done;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') ++lines;
      if (buffer[i] == 4) done = true;
    }
  }
  close(fd);
  return lines;
}

long PortLines(const std::string& port_string) {
  if (OpenSerial(2, port_string) != 0) return -1;
  long lines = 0;
  for (;;) {
    if (AtEnd(2) != 0) {
      usleep(1000);
      continue;
    }
    char c = 0;
    size_t received = 0;
    if (ReadPort(2, &c, 1, received) != 0) break;
    if (c == '\n') ++lines;
    if (c == 4) break;
  }
  ClosePort(2);
  return lines;
}

void Measure(const char* name, const std::string& simulator, long lines,
             long (*reader)(const std::string&)) {
  std::string port_string;
  pid_t pid = StartSimulator(simulator, lines, port_string);
  if (pid < 0 || port_string.empty()) {
    std::fprintf(stderr, "cannot start %s\n", simulator.c_str());
    std::exit(1);
  }
  double start = Seconds();
  long got = reader(port_string);
  double took = Seconds() - start;
  int status = 0;
  waitpid(pid, &status, 0);
  std::printf("%-28s %ld of %ld lines in %.3f s: %.0f lines/s\n", name, got, lines, took,
              static_cast<double>(got) / took);
}

}  // namespace

int main(int argc, char** argv) {
  std::string simulator = argc > 1 ? argv[1] : "./tools/thermosim";
  long lines = argc > 2 ? std::atol(argv[2]) : 5000000;
  Measure("read(2), 64 KiB blocks", simulator, lines, RawLines);
  Measure("AtEnd + 1-byte ReadPort", simulator, lines, PortLines);
  return 0;
}
