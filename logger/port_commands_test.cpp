// Commands to a device that stops reading: the loop goes on, what the device
// has not taken in time is dropped, and nothing changes while the port is
// lost.
#include "logger/port_commands.hpp"

#include <gtest/gtest.h>

#include <string>

#include "logger/run_test_fakes.hpp"

namespace {

struct BoundCase {
  const char* name;
  const char* port;
  int waited_ms;
  bool dropped;
};

class CommandBoundTest : public ::testing::TestWithParam<BoundCase> {};

TEST_P(CommandBoundTest, WhatIsNotTakenInTimeIsDropped) {
  const BoundCase& c = GetParam();
  RunFakes fakes;
  Settings.PortStr = c.port;
  DropCommands();
  fakes.port->take_budget = 1;
  SendCommand("T1");
  EXPECT_EQ(fakes.port->sent, "T");
  EXPECT_TRUE(CommandsWaiting());
  fakes.clock.micros += int64_t{c.waited_ms} * 1000;
  PumpCommands();
  fakes.port->take_budget = -1;
  SendCommand("ST");
  // A dropped text still gets its line end, so "ST" arrives as a line.
  EXPECT_EQ(fakes.port->sent, c.dropped ? "T\r\nST\r\n" : "T1\r\nST\r\n");
  EXPECT_FALSE(CommandsWaiting());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandBoundTest,
    ::testing::ValuesIn(std::vector<BoundCase>{
        {"WithinASecond", "COM1:9600,N,8,1,CS0,DS0,CD0", 900, false},
        {"AfterASecond", "COM1:9600,N,8,1,CS0,DS0,CD0", 1100, true},
        {"WithinALongerCsTime", "COM1:9600,N,8,1,CS3000,DS0,CD0", 2500, false},
        {"AfterALongerCsTime", "COM1:9600,N,8,1,CS3000,DS0,CD0", 3100, true},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Commands, ADeviceThatNeverReadsStopsNeitherRecordsNorTheExitKey) {
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake();
  fakes.port->take_budget = 0;
  fakes.port->Keys({'S', 'M', '>'}).Bytes("72.5\r\n").Keys({27});
  EXPECT_EQ(COMMUNICATIONS(), kExitKeyPressed);
  EXPECT_EQ(log.written, "72.5\r\n");
  EXPECT_EQ(fakes.port->sent, "");
  EXPECT_FALSE(CommandsWaiting());
}

TEST(Commands, KeysWhileThePortIsLostChangeNothing) {
  RunFakes fakes;
  Settings.PortStr = "/dev/ttyUSB0:9600,N,8,1";
  fakes.port->Bytes("1\r\n").HangUp();
  int tries = 0;
  FakePort* back = nullptr;
  SetPortOpener([&](int number, std::string_view) {
    if (++tries == 1) {
      fakes.console.ready = {'>', 'F', '?'};
      return 2;
    }
    back = new FakePort(&fakes.console);
    back->Keys({'>', 27});
    return InstallChannel(number, std::unique_ptr<Channel>(back));
  });
  EXPECT_EQ(COMMUNICATIONS(), kExitKeyPressed);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->sent, "DO 0.25\r\n");
  EXPECT_EQ(Settings.AvrFahrenheitMode, -1);
  const std::string ignored = "Com port lost, key ignored: /dev/ttyUSB0:9600,N,8,1\r\n";
  // The help key still shows the status text.
  EXPECT_NE(fakes.console.out.find(ignored + ignored + Settings.StatusStr), std::string::npos)
      << fakes.console.out;
}

}  // namespace
