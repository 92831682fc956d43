#pragma once
// A port that hangs up or fails is closed and opened again by the same port
// string about once a second, while the loop goes on reading keys.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Opens a port under a file number and returns the error number: OpenSerial
// unless a test installed another. An empty opener restores OpenSerial.
using PortOpener = std::function<int(int number, std::string_view port_string)>;
void SetPortOpener(PortOpener opener);

class PortWatch {
 public:
  bool Lost() const { return lost_; }
  // The port failed: a partial line becomes a record, the port is closed and
  // the console says so.
  void Lose(std::string& line);
  // One pass while lost: waits for a key or the time of the next try, then
  // tries to open the port again.
  void Retry();

 private:
  bool lost_ = false;
  int64_t next_try_micros_ = 0;
};
