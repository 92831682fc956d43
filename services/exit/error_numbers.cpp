#include "services/exit/error_numbers.hpp"

#include <array>

namespace {

constexpr std::array<std::string_view, 18> kTexts = {
    "",
    "illegal function call",
    "file not found",
    "file I/O error",
    "out of memory",
    "illegal resume",
    "out of bounds array access",
    "null pointer access",
    "no priviledges",
    "\"interrupted\" signal",
    "\"illegal instruction\" signal",
    "\"floating point error\" signal",
    "\"segmentation violation\" signal",
    "\"termination request\" signal",
    "\"abnormal termination\" signal",
    "\"quit request\" signal",
    "return without gosub",
    "end of file",
};

int last_error = 0;

}  // namespace

std::string_view ErrorText(int number) {
  if (number < 0 || number >= static_cast<int>(kTexts.size())) return {};
  return kTexts[static_cast<size_t>(number)];
}

int LastError() {
  return last_error;
}

int SetLastError(int number) {
  last_error = number;
  return number;
}
