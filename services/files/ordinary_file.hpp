#pragma once
#include <string_view>

// True when the name, used as a glob pattern after the backslash rule,
// matches at least one regular file (symlinks followed). Directories,
// devices, FIFOs and sockets do not count; dot-files do.
bool IsOrdinaryFile(std::string_view pattern);
