#include <stdlib.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_dir.hpp"

std::string NewTempDirectory() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/brenmark-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}
