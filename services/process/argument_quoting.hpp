#pragma once
// A Windows program splits its own command line into arguments; this quotes
// one argument so that the C runtime's split gives it back unchanged (blanks,
// quotes and the backslashes before them included).
#include <string>
#include <string_view>

std::string QuotedArgument(std::string_view argument);
