// NumberValue: never an infinity or NaN, blind to leading blanks, symmetric
// under a minus sign, and deaf to what follows the number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.hpp"
#include "services/text/text_forms.hpp"

namespace {

bool Same(double a, double b) {
  return a == b;  // 0.0 and -0.0 are the same number to every caller
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  double value = NumberValue(text);
  FUZZ_CHECK(std::isfinite(value));
  FUZZ_CHECK(Same(NumberValue("  " + text), value));
  // A byte that can continue no number form ends the number.
  FUZZ_CHECK(Same(NumberValue(text + '\x01'), value));
  size_t first = text.find_first_not_of(' ');
  if (first != std::string::npos &&
      (text[first] == '.' || (text[first] >= '0' && text[first] <= '9'))) {
    std::string negative = text;
    negative.insert(first, 1, '-');
    FUZZ_CHECK(Same(NumberValue(negative), -value));
  }
  return 0;
}
