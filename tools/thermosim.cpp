// thermosim: a simulated thermometer on a pseudo-terminal, for the demo, the
// end-to-end tests and the benchmarks. See README.md.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/thermosim_device.hpp"
#include "tools/thermosim_options.hpp"

namespace {

volatile sig_atomic_t stop_requested = 0;
volatile sig_atomic_t eot_requested = 0;

void OnStop(int) {
  stop_requested = 1;
}
void OnEot(int) {
  eot_requested = 1;
}

constexpr char kEot = 4;
constexpr size_t kFloodBlock = 64 * 1024;

int64_t NowUs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

int64_t NowMs() {
  return NowUs() / 1000;
}

// The lines "first".."last" (CR LF each) appended until `limit` bytes; the
// next number to write is returned.
uint64_t AppendFlood(std::string& out, uint64_t first, uint64_t last, size_t limit) {
  char digits[24];
  while (first <= last && out.size() + sizeof digits <= limit) {
    char* end = digits + sizeof digits;
    char* p = end;
    *--p = '\n';
    *--p = '\r';
    uint64_t n = first;
    do {
      *--p = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n != 0);
    out.append(p, static_cast<size_t>(end - p));
    ++first;
  }
  return first;
}

class Simulator {
 public:
  Simulator(const SimOptions& options, int master, int slave)
      : options_(options), master_(master), slave_(slave) {}

  int Run(const sigset_t& wait_mask);

 private:
  void Say(const std::string& text) const {
    if (!options_.quiet) std::fprintf(stderr, "thermosim: %s\n", text.c_str());
  }
  void Produce(int64_t now);
  void QueueEot(const char* why);
  bool Flush();
  void TakeCommands();
  bool InputDrained(int64_t now);
  int Timeout(int64_t now) const;

  SimOptions options_;
  int master_;
  int slave_;
  ThermoDevice device_;
  std::string out_;
  size_t out_begin_ = 0;
  std::string command_;
  int64_t next_reading_ = 0;
  uint64_t readings_ = 0;
  uint64_t next_flood_ = 1;
  uint64_t flood_bytes_ = 0;
  int64_t flood_start_ = 0;
  int64_t next_block_us_ = 0;
  bool eot_queued_ = false;
  int64_t empty_since_ = -1;
  int64_t leave_at_ = -1;
};

void Simulator::QueueEot(const char* why) {
  if (eot_queued_) return;
  out_.push_back(kEot);
  eot_queued_ = true;
  Say(std::string("sending EOT (") + why + ")");
}

void Simulator::Produce(int64_t now) {
  if (eot_queued_) return;
  if (options_.flood >= 0) {
    if (out_.size() - out_begin_ >= kFloodBlock) return;
    size_t limit = out_.size() + kFloodBlock;
    if (options_.block > 0) {
      // One block at a time, each written whole before the gap starts.
      if (out_begin_ < out_.size() || NowUs() < next_block_us_) return;
      limit = out_.size() + static_cast<size_t>(options_.block);
    }
    if (options_.rate > 0) {
      // Paced: no more bytes than the rate allows by now.
      uint64_t allowed = static_cast<uint64_t>(now - flood_start_ + 1) * options_.rate / 1000;
      if (allowed <= flood_bytes_) return;
      limit = std::min<uint64_t>(limit, out_.size() + (allowed - flood_bytes_) + 23);
    }
    size_t before = out_.size();
    next_flood_ = AppendFlood(out_, next_flood_, static_cast<uint64_t>(options_.flood), limit);
    flood_bytes_ += out_.size() - before;
    if (next_flood_ > static_cast<uint64_t>(options_.flood)) {
      QueueEot(("flood of " + std::to_string(options_.flood) + " lines done").c_str());
    }
    return;
  }
  if (options_.eot_after == 0) QueueEot("after 0 readings");
  while (!eot_queued_ && now >= next_reading_) {
    out_ += device_.Reading();
    ++readings_;
    next_reading_ += options_.interval_ms;
    if (options_.eot_after > 0 && readings_ >= static_cast<uint64_t>(options_.eot_after)) {
      QueueEot(("after " + std::to_string(readings_) + " readings").c_str());
    }
  }
}

// Writes what the line takes now; false when the master side failed.
bool Simulator::Flush() {
  while (out_begin_ < out_.size()) {
    ssize_t put = write(master_, out_.data() + out_begin_, out_.size() - out_begin_);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) break;
      return false;
    }
    out_begin_ += static_cast<size_t>(put);
  }
  if (out_begin_ == out_.size()) {
    if (options_.block > 0 && !out_.empty()) next_block_us_ = NowUs() + options_.gap_us;
    out_.clear();
    out_begin_ = 0;
  } else if (out_begin_ > kFloodBlock) {
    out_.erase(0, out_begin_);
    out_begin_ = 0;
  }
  return true;
}

void Simulator::TakeCommands() {
  char buffer[4096];
  for (;;) {
    ssize_t got = read(master_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    for (ssize_t i = 0; i < got; ++i) {
      char c = buffer[i];
      if (c != '\r' && c != '\n') {
        if (command_.size() < 4096) command_.push_back(c);
        continue;
      }
      if (command_.empty()) continue;
      Say("command \"" + command_ + "\"");
      // Answers go after whole lines already queued, so no line is split.
      out_ += device_.Answer(command_);
      command_.clear();
    }
  }
}

// The logger has taken everything: nothing left for us to send and the
// slave's input queue has stayed empty for a while. FIONREAD does not count
// bytes the kernel has not yet moved into that queue, which on a busy
// machine can take tens of milliseconds; leaving then would lose them.
bool Simulator::InputDrained(int64_t now) {
  int waiting = 0;
  if (out_begin_ < out_.size() || ioctl(slave_, FIONREAD, &waiting) != 0 || waiting != 0) {
    empty_since_ = -1;
    return false;
  }
  if (empty_since_ < 0) empty_since_ = now;
  return now - empty_since_ >= 100;
}

int Simulator::Timeout(int64_t now) const {
  int64_t wait = 1000;
  if (eot_queued_) {
    wait = leave_at_ >= 0 ? leave_at_ - now : 5;
  } else if (options_.flood >= 0) {
    wait = options_.rate > 0 ? 2 : 1000;
  } else {
    wait = next_reading_ - now;
  }
  return static_cast<int>(std::clamp<int64_t>(wait, 0, 1000));
}

int Simulator::Run(const sigset_t& wait_mask) {
  int64_t start = NowMs();
  next_reading_ = start + options_.interval_ms;
  flood_start_ = start;
  while (!stop_requested) {
    if (eot_requested) {
      eot_requested = 0;
      QueueEot("signal");
    }
    int64_t now = NowMs();
    Produce(now);
    if (!Flush()) {
      Say("the line is gone");
      return 1;
    }
    if (eot_queued_ && leave_at_ < 0 && InputDrained(now)) {
      Say("everything was read; leaving in " + std::to_string(options_.linger_ms) + " ms");
      leave_at_ = now + options_.linger_ms;
    }
    if (leave_at_ >= 0 && now >= leave_at_) return 0;

    pollfd p{master_, POLLIN, 0};
    if (out_begin_ < out_.size()) p.events |= POLLOUT;
    int timeout = Timeout(now);
    timespec ts{timeout / 1000, (timeout % 1000) * 1000000L};
    if (options_.block > 0 && !eot_queued_ && out_begin_ == out_.size()) {
      int64_t gap = std::max<int64_t>(next_block_us_ - NowUs(), 0);
      ts = {static_cast<time_t>(gap / 1000000), static_cast<long>(gap % 1000000) * 1000L};
    }
    if (ppoll(&p, 1, &ts, &wait_mask) > 0 && (p.revents & POLLIN)) TakeCommands();
  }
  Say("stopped by a signal");
  return 0;
}

int OpenPseudoTerminal(int& master, int& slave, std::string& slave_path) {
  master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
  const char* name = ptsname(master);
  if (name == nullptr) return -1;
  slave_path = name;
  // Kept open by us: bytes sent before the logger opens the port wait in the
  // slave's queue, and the port may be opened and closed at will.
  slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) return -1;
  termios t;
  if (tcgetattr(slave, &t) != 0) return -1;
  cfmakeraw(&t);
  cfsetspeed(&t, B9600);
  if (tcsetattr(slave, TCSANOW, &t) != 0) return -1;
  int flags = fcntl(master, F_GETFL);
  if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) return -1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  std::string problem;
  if (!ParseSimOptions(argc, argv, options, problem)) {
    if (problem == "help requested") {
      std::fputs(SimUsage(), stdout);
      return 0;
    }
    if (problem == "version requested") {
      std::puts("thermosim " THERMOSIM_VERSION);
      return 0;
    }
    std::fprintf(stderr, "thermosim: %s\n%s", problem.c_str(), SimUsage());
    return 2;
  }

  sigset_t blocked, wait_mask;
  sigemptyset(&blocked);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaddset(&blocked, s);
  sigprocmask(SIG_BLOCK, &blocked, &wait_mask);
  sigdelset(&wait_mask, SIGTERM);
  sigdelset(&wait_mask, SIGINT);
  sigdelset(&wait_mask, SIGHUP);
  sigdelset(&wait_mask, SIGUSR1);
  struct sigaction action = {};
  action.sa_handler = OnStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  action.sa_handler = OnEot;
  sigaction(SIGUSR1, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int master = -1, slave = -1;
  std::string slave_path;
  if (OpenPseudoTerminal(master, slave, slave_path) != 0) {
    std::fprintf(stderr, "thermosim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }
  std::string device = slave_path;
  if (!options.link.empty()) {
    struct stat st;
    if (lstat(options.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(options.link.c_str());
    if (symlink(slave_path.c_str(), options.link.c_str()) != 0) {
      std::fprintf(stderr, "thermosim: cannot create the link %s: %s\n", options.link.c_str(),
                   std::strerror(errno));
      return 1;
    }
    device = options.link;
  }
  std::printf("%s:9600,N,8,1,CS0,DS0,CD0\n", device.c_str());
  std::fflush(stdout);
  if (!options.quiet) {
    std::fprintf(stderr, "thermosim: device %s%s%s\n", slave_path.c_str(),
                 options.link.empty() ? "" : ", linked as ", options.link.c_str());
  }

  Simulator simulator(options, master, slave);
  int status = simulator.Run(wait_mask);
  if (!options.link.empty()) unlink(options.link.c_str());
  close(slave);
  close(master);
  return status;
}
