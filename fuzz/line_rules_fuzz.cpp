// Line sorting under every option set agrees with the byte-by-byte rules, and
// what it keeps never starts with ";" nor ends in a blank.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/check.hpp"
#include "fuzz/line_reference.hpp"
#include "stripper/line_rules.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  for (int options = 0; options < 4; ++options) {
    bool all_lines = options & 1;
    bool split_line = options & 2;
    LineVerdict fast = SortLine(line, all_lines, split_line);
    ReferenceVerdict slow = ReferenceSort(line, all_lines, split_line);
    FUZZ_CHECK(fast.kind == slow.kind);
    FUZZ_CHECK(fast.output == slow.output);
    FUZZ_CHECK(fast.stripped == slow.stripped);
    if (!fast.output.empty()) {
      FUZZ_CHECK(fast.output.back() != ' ');
      FUZZ_CHECK(fast.output[fast.output.find_first_not_of(' ')] != ';');
      if (all_lines || split_line) FUZZ_CHECK(fast.output.find(';') == std::string_view::npos);
    }
  }
  return 0;
}
