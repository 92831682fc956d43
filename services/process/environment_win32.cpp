#include <windows.h>

#include <cstdlib>

#include "services/process/environment.hpp"

std::optional<std::string> TakeEnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  std::string kept = value;
  // Both copies: the C runtime's and the one CreateProcess hands on.
  _putenv_s(name.c_str(), "");
  SetEnvironmentVariableA(name.c_str(), nullptr);
  return kept;
}
