#include "services/serial/port_spec.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The fields a case checks; -1 leaves a field unchecked.
struct Expect {
  int64_t port = -1;
  const char* device = nullptr;
  int64_t baud = -1, parity = -1, data = -1, stop = -1;
  int64_t cts = -1, dsr = -1, cd = -1;
  int64_t rts = -1, check_parity = -1, ascii = -1, irq = -1;
};

struct ValidCase {
  const char* text;
  Expect want;
};

void Check(const char* text, const Expect& want) {
  SCOPED_TRACE(text);
  PortOptions o;
  ASSERT_EQ(ParsePortSpec(text, o), 0);
  auto check = [](int64_t want_value, uint32_t got, const char* name) {
    if (want_value >= 0) {
      EXPECT_EQ(got, static_cast<uint32_t>(want_value)) << name;
    }
  };
  check(want.port, o.PortNumber, "PortNumber");
  if (want.device) {
    EXPECT_EQ(o.DeviceName, want.device);
  }
  check(want.baud, o.BaudRate, "BaudRate");
  check(want.parity, o.Parity, "Parity");
  check(want.data, o.DataBits, "DataBits");
  check(want.stop, o.StopBits, "StopBits");
  check(want.cts, o.CtsMs, "CtsMs");
  check(want.dsr, o.DsrMs, "DsrMs");
  check(want.cd, o.CdMs, "CdMs");
  check(want.rts, o.SuppressRts, "SuppressRts");
  check(want.check_parity, o.CheckParity, "CheckParity");
  check(want.ascii, o.AsciiMode, "AsciiMode");
  check(want.irq, o.IrqNumber, "IrqNumber");
}

TEST(PortSpec, ValidStringsGiveTheirSettings) {
  const std::vector<ValidCase> cases = {
      {"COM1:9600,N,8,1",
       {.port = 1,
        .device = "COM1:",
        .baud = 9600,
        .parity = 0,
        .data = 8,
        .stop = 0,
        .cts = 1000,
        .dsr = 1000,
        .cd = 0,
        .rts = 0,
        .check_parity = 0}},
      {"com12:115200,n,8,1,cs0,ds0,cd0,rs",
       {.port = 12, .device = "COM12:", .baud = 115200, .cts = 0, .dsr = 0, .cd = 0, .rts = 1}},
      {"COM1:", {.baud = 300, .parity = 1, .data = 7, .stop = 0, .cts = 1000, .dsr = 1000}},
      {"COM1:110", {.stop = 2}},
      {"COM1:110,N,5", {.stop = 1}},
      {"COM1:110,N,8", {.stop = 2}},
      {"COM1:110,N,8,1", {.stop = 0}},
      {"COM1:111,N,5", {.stop = 0}},
      {"COM1:9600,,8", {.baud = 9600, .parity = 1, .data = 8}},
      {"COM1:,,,,DS0", {.baud = 300, .parity = 1, .data = 7, .stop = 0, .dsr = 0}},
      {"COM1:9600 , N , 8 , 1", {.baud = 9600, .parity = 0, .data = 8, .stop = 0}},
      {"COM1:\t9600\t,\tO\t,7,\t2\t", {.baud = 9600, .parity = 2, .data = 7, .stop = 2}},
      {"COM1:9600,N,8,1,", {.baud = 9600, .stop = 0}},
      {"COM1:9600,N,8,1,  ", {.baud = 9600, .stop = 0}},
      {"COM1:9600,N,8,1,,,DS5", {.dsr = 5}},
      {"COM1:9600,N,8,1.0", {.stop = 0}},
      {"COM1:9600,N,8,1.5", {.stop = 1}},
      {"COM1:9600,N,8,2", {.stop = 2}},
      {"COM1:9600,N,8,2.00", {.stop = 2}},
      {"COM1:9600,N,8,15e-1", {.stop = 1}},
      {"COM1:9600,N,8,+1", {.stop = 0}},
      {"COM1:300,N,7", {.stop = 0}},
      {"COM1:9600,E", {.parity = 1}},
      {"COM1:9600,o", {.parity = 2}},
      {"COM1:9600,S", {.parity = 3}},
      {"COM1:9600,m", {.parity = 4}},
      {"COM1:9600,N,8,1,PE", {.parity = 0, .check_parity = 1}},
      {"COM1:9600,PE,8,1", {.parity = 1, .check_parity = 1}},
      {"COM1:9600,pe", {.parity = 1, .check_parity = 1}},
      {"COM1:9600,N,8,1,DS0,DS500", {.dsr = 500}},
      {"COM1:9600,N,8,1,CS", {.cts = 0}},
      {"COM1:9600,N,8,1,CS 250", {.cts = 250}},
      {"COM1:9600,N,8,1,cd2000", {.cd = 2000}},
      {"COM1:9600,N,8,1,LF", {.ascii = 1}},
      {"COM1:9600,N,8,1,ASC,BIN", {.ascii = 0}},
      {"COM1:9600,N,8,1,BIN,asc", {.ascii = 1}},
      {"COM1:9600,N,8,1,IR4", {.irq = 4}},
      {"COM1:9600,N,8,1,IR", {.irq = 0}},
      {"SER:9600", {.port = 1, .device = "COM1:", .baud = 9600}},
      {"ser:", {.port = 1, .device = "COM1:"}},
      {"com03:", {.port = 3, .device = "COM3:"}},
      {"COM:9600", {.port = 0, .device = "COM", .baud = 9600}},
      {"COM0:9600", {.port = 0, .device = "COM0"}},
      {"AUX:9600", {.port = 0, .device = "AUX", .baud = 9600}},
      {"/dev/ttyUSB0:19200,N,8,1", {.port = 0, .device = "/dev/ttyUSB0", .baud = 19200}},
      {"/dev/pts/7:9600,N,8,1,CS0,DS0,CD0",
       {.port = 0, .device = "/dev/pts/7", .cts = 0, .dsr = 0, .cd = 0}},
      {"COM1:+9600", {.baud = 9600}},
      {"COM1: 9600", {.baud = 9600}},
      {"COM1:-1", {.baud = 4294967295}},
      {" COM1:9600", {.port = 0, .device = " COM1"}},
      {"A:9600", {.port = 0, .device = "A"}},
      {"COM1:4294967296", {.baud = 0}},
      {"COM1:4294967297", {.baud = 1}},
      {"COM1:9600,N,8,1,CS-1", {.cts = 4294967295}},
  };
  for (const ValidCase& c : cases) Check(c.text, c.want);
}

TEST(PortSpec, EveryOtherOptionKeywordIsStored) {
  PortOptions o;
  ASSERT_EQ(ParsePortSpec("COM2:9600,N,8,1,OP77,TB1024,RB4096,DT,FE,ME", o), 0);
  EXPECT_EQ(o.OpenMs, 77u);
  EXPECT_EQ(o.TxBuffer, 1024u);
  EXPECT_EQ(o.RxBuffer, 4096u);
  EXPECT_EQ(o.KeepDtr, 1u);
  EXPECT_EQ(o.DiscardOnError, 1u);
  EXPECT_EQ(o.IgnoreErrors, 1u);
}

TEST(PortSpec, InvalidStringsGiveErrorOneAndLeaveTheRecord) {
  const std::vector<const char*> cases = {
      "",
      "COM1",
      "\"COM1\"",
      "COM",
      "COMX:9600",
      "COM1X:9600",
      "COMPORT:9600",
      "AUX",
      "COM1:9600 N 8 1",
      "COM1:9600X",
      "COM1:96 00",
      "COM1:+",
      "COM1:-",
      "COM1:9600,X,8,1",
      "COM1:9600,NO,8,1",
      "COM1:9600,N,8X",
      "COM1:9600,N,,3",
      "COM1:9600,N,8,3",
      "COM1:9600,N,8,0",
      "COM1:9600,N,8,1.25",
      "COM1:9600,N,8,-1",
      "COM1:9600,N,8,1e",
      "COM1:9600,N,8,.",
      "COM1:9600,N,8,1,XYZ",
      "COM1:9600,N,8,1,CS10X",
      "COM1:9600,N,8,1,CS\t10",
      "COM1:9600,N,8,1,DS \t10",
      "COM1:9600,N,8,1,CS+",
      "COM1:9600,N,8,1,RSX",
      "COM1:9600,N,8,1,PEX",
      "COM1:9600,N,8,1,AS",
      "COM1:9600,N,8,1,DS0,BOGUS,CD0",
      "COM1:9600,N,8,1,N",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    PortOptions o;
    o.BaudRate = 1234;
    EXPECT_EQ(ParsePortSpec(text, o), 1);
    EXPECT_EQ(o.BaudRate, 1234u);
  }
}

TEST(PortSpec, DeviceWaitIsASecondOrTheLongerCsTime) {
  const struct {
    const char* port_string;
    uint32_t bound_ms;
  } cases[] = {{"COM1:9600,N,8,1,CS0", 1000},
               {"COM1:9600,N,8,1,CS999", 1000},
               {"COM1:9600,N,8,1", 1000},
               {"COM1:9600,N,8,1,CS4500", 4500}};
  for (const auto& c : cases) {
    PortOptions options;
    ASSERT_EQ(ParsePortSpec(c.port_string, options), 0) << c.port_string;
    EXPECT_EQ(DeviceWaitBoundMs(options), c.bound_ms) << c.port_string;
  }
}

TEST(PortSpec, NameTestAlone) {
  struct Case {
    const char* text;
    bool valid;
    uint32_t number;
  };
  const std::vector<Case> cases = {
      {"SER:", true, 1}, {"Ser:junk", true, 1}, {"COM3:", true, 3},  {"com12:x", true, 12},
      {"COM:", true, 0}, {"COM0:", true, 0},    {"AUX:", true, 0},   {"/dev/x:", true, 0},
      {"ab:c", true, 0}, {"COM1", false, 0},    {"COMX:", false, 0}, {"ab:", false, 0},
      {"SER", false, 0}, {"", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    uint32_t number = 99;
    EXPECT_EQ(PortNameNumber(c.text, number), c.valid);
    if (c.valid) {
      EXPECT_EQ(number, c.number);
    }
  }
}

}  // namespace
