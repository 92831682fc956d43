#pragma once
// The port specification string: "COM3:9600,N,8,1,CS0,DS0,CD0" or, on this
// system, "/dev/ttyUSB0:9600,N,8,1".
#include <cstdint>
#include <string>
#include <string_view>

struct PortOptions {
  uint32_t PortNumber = 0;
  std::string DeviceName;
  uint32_t BaudRate = 300;
  uint32_t DataBits = 7;
  uint32_t Parity = 1;    // 0 none, 1 even, 2 odd, 3 space, 4 mark
  uint32_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  uint32_t CtsMs = 1000;
  uint32_t DsrMs = 1000;
  uint32_t CdMs = 0;
  uint32_t OpenMs = 0;
  uint32_t SuppressRts = 0;
  uint32_t AsciiMode = 0;
  uint32_t CheckParity = 0;
  uint32_t KeepDtr = 0;
  uint32_t DiscardOnError = 0;
  uint32_t IgnoreErrors = 0;
  uint32_t IrqNumber = 0;
  uint32_t TxBuffer = 0;
  uint32_t RxBuffer = 0;
};

// 0 and a filled record, or 1 (illegal function call) for an invalid string.
int ParsePortSpec(std::string_view text, PortOptions& options);
// The name test alone: true when the text names a port; its number (0 when
// the name carries none).
bool PortNameNumber(std::string_view text, uint32_t& number);

// How long one transfer or one command may wait for the device: a second, or
// the CS time when that is longer (flow control may hold a line that long).
uint32_t DeviceWaitBoundMs(const PortOptions& options);
