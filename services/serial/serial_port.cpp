#include "services/serial/serial_port.hpp"

#include <cstdlib>
#include <typeinfo>

#include "services/exit/error_numbers.hpp"
#include "services/serial/port_spec.hpp"

namespace {

// The logger asks for its port twice per received byte; a dynamic_cast each
// time was a third of the work. A channel of the type last found to be a
// port is a port.
PortChannel* PortAt(int number) {
  static const std::type_info* port_type = nullptr;
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) return nullptr;
  if (port_type != nullptr && typeid(*channel) == *port_type) {
    return static_cast<PortChannel*>(channel);
  }
  PortChannel* port = dynamic_cast<PortChannel*>(channel);
  if (port != nullptr) port_type = &typeid(*channel);
  return port;
}

}  // namespace

int CheckPortToOpen(int number, std::string_view port_string, PortOptions& options) {
  if (number < kFirstFileNumber || number > kLastFileNumber || ChannelAt(number) != nullptr) {
    return kIllegalFunctionCall;
  }
  uint32_t port_number = 0;
  if (!PortNameNumber(port_string, port_number)) return kIllegalFunctionCall;
  if (ParsePortSpec(port_string, options) != kNoError) return kIllegalFunctionCall;
  return options.IrqNumber != 0 ? kIllegalFunctionCall : kNoError;
}

std::string SerialDevicePath(std::string_view port_string, uint32_t port_number) {
  std::string_view name = port_string.substr(0, port_string.find(':'));
  if (!name.empty() && name.front() == '/') return std::string(name);
  uint32_t number = port_number == 0 ? 1 : port_number;
  std::string variable = "BRENMARK_COM" + std::to_string(number);
  const char* configured = std::getenv(variable.c_str());
  if (configured != nullptr && configured[0] != '\0') return configured;
  return "/dev/ttyS" + std::to_string(number - 1);
}

int AtEnd(int number) {
  PortChannel* port = PortAt(number);
  if (port == nullptr) {
    SetLastError(kIllegalFunctionCall);
    return -1;
  }
  int result = port->PortAtEnd();
  SetLastError(result < 0 ? kIllegalFunctionCall : kNoError);
  return result;
}

int BytesWaiting(int number, int64_t& count) {
  count = 0;
  PortChannel* port = PortAt(number);
  if (port == nullptr) return SetLastError(kIllegalFunctionCall);
  return SetLastError(port->PortBytesWaiting(count));
}

int ReadPort(int number, char* buffer, size_t count, size_t& received) {
  received = 0;
  PortChannel* port = PortAt(number);
  if (port == nullptr) return SetLastError(kIllegalFunctionCall);
  return SetLastError(port->PortRead(buffer, count, received));
}

int WritePort(int number, const char* data, size_t count) {
  PortChannel* port = PortAt(number);
  if (port == nullptr) return SetLastError(kIllegalFunctionCall);
  return SetLastError(port->PortWrite(data, count));
}

int WritePortSome(int number, const char* data, size_t count, size_t& taken) {
  taken = 0;
  PortChannel* port = PortAt(number);
  if (port == nullptr) return SetLastError(kIllegalFunctionCall);
  return SetLastError(port->PortWriteSome(data, count, taken));
}

int PrintPortLine(int number, std::string_view text) {
  PortChannel* port = PortAt(number);
  if (port == nullptr) return SetLastError(kIllegalFunctionCall);
  int text_result = port->PortWrite(text.data(), text.size());
  // The line end goes out even after a failed text, so the device sees the
  // line finished; the first failure is the one reported.
  int end_result = port->PortWrite("\r\n", 2);
  return SetLastError(text_result != kNoError ? text_result : end_result);
}

bool PortLost(int number) {
  PortChannel* port = PortAt(number);
  return port != nullptr && port->PortLost();
}

int ClosePort(int number) {
  return CloseFile(number);
}
