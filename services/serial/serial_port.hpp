#pragma once
// A serial port as a numbered file. Every operation returns an error number
// and leaves it as the last error.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/files/files.hpp"

// The port seam: what a numbered file that is a port answers. The device
// implementation lives in serial_port_posix.cpp and serial_port_win32.cpp;
// tests install fakes with InstallChannel.
class PortChannel : public Channel {
 public:
  // 1 when no byte is waiting, 0 when one is, -1 when the status is unknown.
  virtual int PortAtEnd() = 0;
  virtual int PortBytesWaiting(int64_t& count) = 0;
  virtual int PortRead(char* buffer, size_t count, size_t& received) = 0;
  virtual int PortWrite(const char* data, size_t count) = 0;
  // Writes what the device takes at once, never waiting for it; `taken`
  // counts those bytes. Devices that cannot tell write everything.
  virtual int PortWriteSome(const char* data, size_t count, size_t& taken) {
    int error = PortWrite(data, count);
    taken = error == 0 ? count : 0;
    return error;
  }
  // A descriptor that turns readable when a byte arrives; -1 when the port
  // cannot be watched that way (then callers poll). Windows ports answer -1
  // and offer an event instead (serial_port_win32.hpp).
  virtual int WaitDescriptor() { return -1; }
  // True once the device hung up, failed or went away: it will not answer
  // again under this handle, though it may if opened anew.
  virtual bool PortLost() { return false; }

  // As a numbered file: at its end while no byte is waiting, and printing
  // to it writes to the device.
  int EndTest() override { return PortAtEnd() == 0 ? 0 : -1; }
  int Write(std::string_view bytes) override { return PortWrite(bytes.data(), bytes.size()); }
};

// The device a port string opens on POSIX: the text before the first colon
// when it begins with "/"; otherwise port n (0 counts as 1) is $BRENMARK_COMn
// when set and not empty, else /dev/ttyS<n-1>. (Windows opens COMn.)
std::string SerialDevicePath(std::string_view port_string, uint32_t port_number);

struct PortOptions;
// What comes before any system opens a port: a free number in range and a
// valid port string that names no IRQ. 0 with the options filled, or 1.
int CheckPortToOpen(int number, std::string_view port_string, PortOptions& options);

int OpenSerial(int number, std::string_view port_string);
// 1 when no byte is waiting, 0 when one is, -1 when the status cannot be read.
int AtEnd(int number);
int BytesWaiting(int number, int64_t& count);
// Fills at most `count` bytes; `received` tells how many arrived.
int ReadPort(int number, char* buffer, size_t count, size_t& received);
int WritePort(int number, const char* data, size_t count);
// What the device takes now, without waiting.
int WritePortSome(int number, const char* data, size_t count, size_t& taken);
// The text, then CR LF, as two writes.
int PrintPortLine(int number, std::string_view text);
// True when the number holds a port whose device hung up, failed or is gone.
bool PortLost(int number);
int ClosePort(int number);
