#include <stdlib.h>

#include "services/process/environment.hpp"

std::optional<std::string> TakeEnvironmentVariable(const std::string& name) {
  const char* value = getenv(name.c_str());
  if (!value) return std::nullopt;
  std::string kept = value;
  unsetenv(name.c_str());
  return kept;
}
