#include "services/serial/line_settings_posix.hpp"

#include <asm/termbits.h>

#include <cstdint>

#include "services/exit/error_numbers.hpp"

namespace {

struct StandardRate {
  uint32_t rate;
  tcflag_t code;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t SpeedCode(uint32_t rate) {
  for (const StandardRate& r : kStandardRates) {
    if (r.rate == rate) return r.code;
  }
  return BOTHER;
}

}  // namespace

int ApplyLineSettings(const PortOptions& options, termios2& t) {
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (options.DataBits < 5 || options.DataBits > 8) return kIllegalFunctionCall;
  // Speed 0 means "hang up" to a terminal; no line runs at it.
  if (options.BaudRate == 0) return kIllegalFunctionCall;

  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR |
                                      IGNCR | ICRNL | IUCLC | IXON | IXANY | IXOFF | IMAXBEL);
  if (options.CheckParity) t.c_iflag |= INPCK;
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | IEXTEN |
                                      XCASE | ECHOCTL | ECHOPRT | ECHOKE | TOSTOP);

  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR |
                                      HUPCL | CRTSCTS);
  t.c_cflag |= CREAD | CLOCAL | kSizes[options.DataBits - 5] | SpeedCode(options.BaudRate);
  t.c_ispeed = options.BaudRate;
  t.c_ospeed = options.BaudRate;

  switch (options.Parity) {
    case 1:
      t.c_cflag |= PARENB;
      break;
    case 2:
      t.c_cflag |= PARENB | PARODD;
      break;
    case 3:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    case 4:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    default:
      break;
  }
  if (options.StopBits != 0) t.c_cflag |= CSTOPB;

  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (options.CtsMs != 0) {
    t.c_cflag |= CRTSCTS;
    uint64_t tenths = (uint64_t{options.CtsMs} + 99) / 100;
    t.c_cc[VTIME] = static_cast<cc_t>(tenths > 255 ? 255 : tenths);
  }
  return kNoError;
}
