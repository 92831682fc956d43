#include "services/serial/line_settings_win32.hpp"

#include <string>

namespace {

constexpr DWORD kFallbackQueue = 16384;
// Parity 0..4 of the port string (none, even, odd, space, mark).
constexpr BYTE kParityCodes[] = {NOPARITY, EVENPARITY, ODDPARITY, SPACEPARITY, MARKPARITY};
constexpr BYTE kStopBitCodes[] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};

}  // namespace

void ApplyLineSettings(const PortOptions& options, DCB& dcb) {
  dcb.BaudRate = options.BaudRate;
  dcb.fBinary = options.AsciiMode == 0;
  dcb.fParity = options.CheckParity != 0;
  dcb.fOutxCtsFlow = options.CtsMs != 0;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = options.KeepDtr != 0 ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = options.DsrMs != 0;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = options.SuppressRts != 0 ? RTS_CONTROL_DISABLE : RTS_CONTROL_HANDSHAKE;
  dcb.fAbortOnError = FALSE;
  dcb.ByteSize = static_cast<BYTE>(options.DataBits & 0xFF);
  if (options.Parity < sizeof kParityCodes) dcb.Parity = kParityCodes[options.Parity];
  if (options.StopBits < sizeof kStopBitCodes) dcb.StopBits = kStopBitCodes[options.StopBits];
}

void ApplyTimeouts(const PortOptions& options, COMMTIMEOUTS& timeouts) {
  if (options.CtsMs == 0) return;
  timeouts.ReadIntervalTimeout = options.CtsMs;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
}

DWORD QueueSize(DWORD requested, DWORD current, DWORD maximum) {
  if (requested != 0) return requested;
  if (current != 0) return current;
  if (maximum != 0) return maximum;
  return kFallbackQueue;
}

std::string ComDevicePath(uint32_t port_number) {
  if (port_number == 0) return "COM1:";
  std::string name = "COM" + std::to_string(port_number);
  return port_number >= 10 ? "\\\\.\\" + name : name;
}
