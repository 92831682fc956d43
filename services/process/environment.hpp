#pragma once
// The process environment's secrets: read once and removed, so no program
// started later inherits them.
#include <optional>
#include <string>

// The variable's value, and the variable gone from this process's
// environment; nullopt when it was not set.
std::optional<std::string> TakeEnvironmentVariable(const std::string& name);
