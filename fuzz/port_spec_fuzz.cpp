// Port strings: a string that parses gives fields within their rules, and the
// record written back as a port string parses to the same record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.hpp"
#include "services/serial/port_spec.hpp"

namespace {

bool SameRecord(const PortOptions& a, const PortOptions& b) {
  return a.PortNumber == b.PortNumber && a.DeviceName == b.DeviceName && a.BaudRate == b.BaudRate &&
         a.DataBits == b.DataBits && a.Parity == b.Parity && a.StopBits == b.StopBits &&
         a.CtsMs == b.CtsMs && a.DsrMs == b.DsrMs && a.CdMs == b.CdMs && a.OpenMs == b.OpenMs &&
         a.SuppressRts == b.SuppressRts && a.AsciiMode == b.AsciiMode &&
         a.CheckParity == b.CheckParity && a.KeepDtr == b.KeepDtr &&
         a.DiscardOnError == b.DiscardOnError && a.IgnoreErrors == b.IgnoreErrors &&
         a.IrqNumber == b.IrqNumber && a.TxBuffer == b.TxBuffer && a.RxBuffer == b.RxBuffer;
}

std::string Written(const PortOptions& o) {
  static constexpr const char* kStop[] = {"1", "1.5", "2"};
  std::string text = o.PortNumber >= 1 ? o.DeviceName : o.DeviceName + ":";
  text += std::to_string(o.BaudRate) + "," + "NEOSM"[o.Parity] + "," + std::to_string(o.DataBits) +
          "," + kStop[o.StopBits];
  auto number = [&](const char* keyword, uint32_t value) {
    text += std::string(",") + keyword + std::to_string(value);
  };
  auto flag = [&](const char* keyword, uint32_t value) {
    if (value != 0) text += std::string(",") + keyword;
  };
  number("CS", o.CtsMs);
  number("DS", o.DsrMs);
  number("CD", o.CdMs);
  number("OP", o.OpenMs);
  number("TB", o.TxBuffer);
  number("RB", o.RxBuffer);
  number("IR", o.IrqNumber);
  flag("RS", o.SuppressRts);
  flag("ASC", o.AsciiMode);
  flag("PE", o.CheckParity);
  flag("DT", o.KeepDtr);
  flag("FE", o.DiscardOnError);
  flag("ME", o.IgnoreErrors);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  PortOptions first;
  first.DeviceName = "left over";
  first.IrqNumber = 7;
  int result = ParsePortSpec(text, first);
  PortOptions fresh;
  FUZZ_CHECK(ParsePortSpec(text, fresh) == result);
  if (result != 0) {
    // A rejected string leaves the caller's record alone.
    FUZZ_CHECK(first.DeviceName == "left over" && first.IrqNumber == 7);
    return 0;
  }
  FUZZ_CHECK(SameRecord(first, fresh));

  FUZZ_CHECK(first.Parity <= 4 && first.StopBits <= 2);
  for (uint32_t flag : {first.SuppressRts, first.AsciiMode, first.CheckParity, first.KeepDtr,
                        first.DiscardOnError, first.IgnoreErrors}) {
    FUZZ_CHECK(flag <= 1);
  }
  if (first.PortNumber >= 1) {
    FUZZ_CHECK(first.DeviceName == "COM" + std::to_string(first.PortNumber) + ":");
  } else {
    FUZZ_CHECK(first.DeviceName.find(':') == std::string::npos);
    FUZZ_CHECK(text.substr(0, first.DeviceName.size()) == first.DeviceName);
  }

  std::string again = Written(first);
  PortOptions reparsed;
  FUZZ_CHECK(ParsePortSpec(again, reparsed) == 0);
  FUZZ_CHECK(SameRecord(first, reparsed));
  return 0;
}
