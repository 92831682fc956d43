#include "services/serial/serial_port.hpp"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "services/exit/error_numbers.hpp"
#include "services/serial/line_settings_posix.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

constexpr int kPort = 2;
constexpr const char* kQuiet = ",CS0,DS0,CD0";

class SerialPortTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int n = 1; n <= 4; ++n) ClosePort(n);
  }
  std::string PortString(const std::string& settings) const {
    return pty.slave_path() + ":" + settings;
  }
  termios2 Settings() const {
    termios2 t{};
    EXPECT_EQ(ioctl(pty.master(), TCGETS2, &t), 0);
    return t;
  }
  Pty pty;
};

bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 2000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Everything the device sent, read the way the logger reads: one byte after
// each AtEnd that says a byte is waiting.
std::string ReadBytewise(size_t expected) {
  std::string got;
  WaitUntil([&] {
    while (AtEnd(kPort) == 0) {
      char c = 0;
      size_t received = 0;
      if (ReadPort(kPort, &c, 1, received) != 0 || received != 1) return true;
      got.push_back(c);
    }
    return got.size() >= expected;
  });
  return got;
}

TEST_F(SerialPortTest, LineSettingsReadBackFromTheDevice) {
  struct Case {
    const char* settings;
    tcflag_t speed_code;
    speed_t speed;
    tcflag_t cflag_set, cflag_clear;
    cc_t vtime;
    tcflag_t iflag_set;
  };
  const std::vector<Case> cases = {
      {"9600,N,8,1,CS0,DS0,CD0", B9600, 9600, CLOCAL | CREAD,
       CSTOPB | PARODD | CMSPAR | CRTSCTS | HUPCL, 0, 0},
      {"12345,O,8,2,CS250,DS0,CD0,PE", BOTHER, 12345, PARODD | CSTOPB | CRTSCTS, CMSPAR | HUPCL, 3,
       INPCK},
      {"115200,M,8,1.5,CS1,DS0,CD0", B115200, 115200, PARODD | CMSPAR | CSTOPB | CRTSCTS, HUPCL, 1,
       0},
      {"300,S,8,1,CS30000,DS0,CD0", B300, 300, CMSPAR | CRTSCTS, PARODD | CSTOPB, 255, 0},
      {"110,N,8,,CS100,DS0,CD0", B110, 110, CSTOPB | CRTSCTS, PARODD, 1, 0},
      {"250000,E,8,1,CS0,DS0,CD0", BOTHER, 250000, 0, PARODD | CMSPAR | CSTOPB | CRTSCTS, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    ASSERT_EQ(OpenSerial(kPort, PortString(c.settings)), 0);
    termios2 t = Settings();
    EXPECT_EQ(t.c_cflag & CBAUD, c.speed_code);
    EXPECT_EQ(t.c_ospeed, c.speed);
    EXPECT_EQ(t.c_cflag & c.cflag_set, c.cflag_set);
    EXPECT_EQ(t.c_cflag & c.cflag_clear, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], c.vtime);
    EXPECT_EQ(t.c_iflag & (INPCK | ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), c.iflag_set);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(ClosePort(kPort), 0);
  }
}

// A pseudo-terminal always keeps 8 bits and no parity, so framing is checked
// on the values handed to the device.
TEST(LineSettings, FramingAndRefusals) {
  struct Case {
    uint32_t data_bits, parity, baud;
    int result;
    tcflag_t size, parity_bits;
  };
  const std::vector<Case> cases = {
      {5, 0, 9600, 0, CS5, 0},
      {6, 1, 9600, 0, CS6, PARENB},
      {7, 2, 9600, 0, CS7, PARENB | PARODD},
      {8, 3, 9600, 0, CS8, PARENB | CMSPAR},
      {8, 4, 9600, 0, CS8, PARENB | CMSPAR | PARODD},
      {4, 0, 9600, 1, 0, 0},
      {9, 0, 9600, 1, 0, 0},
      {264, 0, 9600, 1, 0, 0},
      {8, 0, 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.data_bits << " bits, parity " << c.parity);
    PortOptions o;
    o.DataBits = c.data_bits;
    o.Parity = c.parity;
    o.BaudRate = c.baud;
    termios2 t{};
    t.c_cflag = CS8 | PARENB | PARODD | CMSPAR | HUPCL;
    ASSERT_EQ(ApplyLineSettings(o, t), c.result);
    if (c.result == 0) {
      EXPECT_EQ(t.c_cflag & CSIZE, c.size);
      EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.parity_bits);
      EXPECT_EQ(t.c_cflag & HUPCL, 0u);
    }
  }
}

TEST_F(SerialPortTest, OpenFailuresGiveTheirNumbersAndLeaveTheSlotFree) {
  TempDir dir;
  std::string missing = dir.Path("no-such-tty");
  std::string plain = dir.Write("plain-file", "x");
  struct Case {
    const char* name;
    int number;
    std::string port_string;
    int error;
  };
  const std::vector<Case> cases = {
      {"default DS1000 on a pseudo-terminal", kPort, PortString("9600,N,8,1"), 1},
      {"carrier asked for on a pseudo-terminal", kPort, PortString("9600,N,8,1,CS0,DS0,CD10"), 1},
      {"missing device", kPort, missing + ":9600,N,8,1", 2},
      {"IR4 does not touch the device", kPort, missing + ":9600,N,8,1,IR4,DS0", 1},
      {"invalid string before the device", kPort, missing + ":9600,X", 1},
      {"unrecognised name", kPort, "COM1", 1},
      {"not a terminal", kPort, plain + ":9600,N,8,1,CS0,DS0,CD0", 8},
      {"data bits the device refuses", kPort, PortString("9600,N,9,1,CS0,DS0,CD0"), 1},
      {"file number 0", 0, PortString("9600,N,8,1,CS0,DS0,CD0"), 1},
      {"file number 256", 256, PortString("9600,N,8,1,CS0,DS0,CD0"), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenSerial(c.number, c.port_string), c.error);
    EXPECT_EQ(LastError(), c.error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(ChannelAt(kPort), nullptr);
  }
  // None of the failures kept the device claimed.
  EXPECT_EQ(OpenSerial(kPort, PortString("9600,N,8,1,CS0,DS0,CD0")), 0);
}

TEST_F(SerialPortTest, ClaimedPortRefusesASecondOpenUntilClosed) {
  std::string port_string = PortString("9600,N,8,1,CS0,DS0,CD0");
  ASSERT_EQ(OpenSerial(kPort, port_string), 0);
  EXPECT_EQ(OpenSerial(kPort, port_string), 1);  // number in use
  EXPECT_EQ(OpenSerial(3, port_string), 2);      // device held
  int probe = open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(probe, 0);
  int exclusive = -1;
  ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);
  EXPECT_EQ(ClosePort(kPort), 0);
  ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  close(probe);
  EXPECT_EQ(OpenSerial(3, port_string), 0);
  EXPECT_EQ(ClosePort(kPort), 1);  // not open
}

TEST_F(SerialPortTest, AtEndFollowsTheBytesWaiting) {
  ASSERT_EQ(OpenSerial(kPort, PortString("9600,N,8,1,CS0,DS0,CD0")), 0);
  EXPECT_EQ(AtEnd(kPort), 1);
  EXPECT_EQ(EndOfFile(kPort), -1);
  pty.Write("A");
  ASSERT_TRUE(WaitUntil([] { return AtEnd(kPort) == 0; }));
  EXPECT_EQ(EndOfFile(kPort), 0);
  int64_t waiting = 0;
  EXPECT_EQ(BytesWaiting(kPort, waiting), 0);
  EXPECT_EQ(waiting, 1);
  char c = 0;
  size_t received = 0;
  EXPECT_EQ(ReadPort(kPort, &c, 1, received), 0);
  EXPECT_EQ(received, 1u);
  EXPECT_EQ(c, 'A');
  EXPECT_EQ(AtEnd(kPort), 1);
  EXPECT_EQ(BytesWaiting(kPort, waiting), 0);
  EXPECT_EQ(waiting, 0);
}

TEST_F(SerialPortTest, BytesWaitingCountsFetchedAndQueuedBytes) {
  ASSERT_EQ(OpenSerial(kPort, PortString("9600,N,8,1,CS0,DS0,CD0")), 0);
  pty.Write("12345");
  int64_t waiting = 0;
  ASSERT_TRUE(WaitUntil([&] { return BytesWaiting(kPort, waiting) == 0 && waiting == 5; }));
  char buffer[8] = {};
  size_t received = 0;
  EXPECT_EQ(ReadPort(kPort, buffer, 2, received), 0);
  EXPECT_EQ(std::string(buffer, received), "12");
  EXPECT_EQ(BytesWaiting(kPort, waiting), 0);
  EXPECT_EQ(waiting, 3);
  pty.Write("67");
  ASSERT_TRUE(WaitUntil([&] { return BytesWaiting(kPort, waiting) == 0 && waiting == 5; }));
  EXPECT_EQ(ReadBytewise(5), "34567");
}

TEST_F(SerialPortTest, ReceivedBytesArriveCompleteAndInOrder) {
  ASSERT_EQ(OpenSerial(kPort, PortString("115200,N,8,1,CS0,DS0,CD0")), 0);
  std::string sent;
  for (int i = 0; sent.size() < 200000; ++i) sent += std::to_string(i) + "\r\n";
  sent += std::string("\0\x04\x7f\xff", 4);
  std::thread writer([&] { pty.Write(sent); });
  std::string got = ReadBytewise(sent.size());
  writer.join();
  EXPECT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent);
}

TEST_F(SerialPortTest, WritesReachTheDeviceUnchanged) {
  ASSERT_EQ(OpenSerial(kPort, PortString("9600,N,8,1,CS0,DS0,CD0")), 0);
  EXPECT_EQ(PrintPortLine(kPort, "ST"), 0);
  EXPECT_EQ(pty.Read(1000, "\r\n"), "ST\r\n");
  EXPECT_EQ(WritePort(kPort, "a\nb\rc", 5), 0);
  EXPECT_EQ(pty.Read(1000, "c"), "a\nb\rc");
  EXPECT_EQ(PrintFileLine(kPort, "DO 0.5"), 0);
  EXPECT_EQ(pty.Read(1000, "\r\n"), "DO 0.5\r\n");
}

TEST_F(SerialPortTest, OperationsOnANumberWithoutAPort) {
  size_t received = 7;
  char c = 0;
  int64_t waiting = 9;
  EXPECT_EQ(AtEnd(kPort), -1);
  EXPECT_EQ(ReadPort(kPort, &c, 1, received), 1);
  EXPECT_EQ(received, 0u);
  EXPECT_EQ(BytesWaiting(kPort, waiting), 1);
  EXPECT_EQ(waiting, 0);
  EXPECT_EQ(WritePort(kPort, "x", 1), 1);
  EXPECT_EQ(PrintPortLine(kPort, "x"), 1);
  EXPECT_EQ(ClosePort(kPort), 1);
}

TEST(SerialDevicePath, FromTheNameOrTheEnvironment) {
  unsetenv("BRENMARK_COM1");
  unsetenv("BRENMARK_COM3");
  unsetenv("BRENMARK_COM12");
  setenv("BRENMARK_COM7", "/dev/ttyUSB4", 1);
  setenv("BRENMARK_COM8", "", 1);
  struct Case {
    const char* port_string;
    uint32_t port;
    const char* path;
  };
  const std::vector<Case> cases = {
      {"/dev/ttyUSB0:9600", 0, "/dev/ttyUSB0"},
      {"/dev/pts/7:9600,N,8,1", 0, "/dev/pts/7"},
      {"COM3:9600", 3, "/dev/ttyS2"},
      {"COM12:", 12, "/dev/ttyS11"},
      {"COM7:9600", 7, "/dev/ttyUSB4"},
      {"COM8:9600", 8, "/dev/ttyS7"},
      {"COM:9600", 0, "/dev/ttyS0"},
      {"AUX:9600", 0, "/dev/ttyS0"},
      {"SER:9600", 1, "/dev/ttyS0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SerialDevicePath(c.port_string, c.port), c.path) << c.port_string;
  }
  unsetenv("BRENMARK_COM7");
  unsetenv("BRENMARK_COM8");
}

TEST_F(SerialPortTest, NumberedPortOpensThePathInItsVariable) {
  setenv("BRENMARK_COM9", pty.slave_path().c_str(), 1);
  EXPECT_EQ(OpenSerial(kPort, "com9:9600,N,8,1,CS0,DS0,CD0"), 0);
  unsetenv("BRENMARK_COM9");
  EXPECT_EQ(PrintPortLine(kPort, "T1"), 0);
  EXPECT_EQ(pty.Read(1000, "\r\n"), "T1\r\n");
}

// A bare name opens the character device of that name under /dev; any other
// bare name is port 1.
TEST_F(SerialPortTest, BareNameOpensItsDeviceUnderDev) {
  const std::string settings = ":9600,N,8,1,CS0,DS0,CD0";
  ASSERT_EQ(pty.slave_path().rfind("/dev/", 0), 0u);
  Pty port_one;
  setenv("BRENMARK_COM1", port_one.slave_path().c_str(), 1);
  struct Case {
    std::string name;
    const Pty* opened;
  };
  const Case cases[] = {
      {pty.slave_path().substr(5), &pty},
      {"nosuchdevice", &port_one},
      {"shm", &port_one},  // a directory, not a device
  };
  for (const Case& c : cases) {
    ASSERT_EQ(OpenSerial(kPort, c.name + settings), 0) << c.name;
    EXPECT_EQ(PrintPortLine(kPort, "T1"), 0);
    EXPECT_EQ(c.opened->Read(1000, "\r\n"), "T1\r\n") << c.name;
    EXPECT_EQ(ClosePort(kPort), 0);
  }
  unsetenv("BRENMARK_COM1");
}

}  // namespace
