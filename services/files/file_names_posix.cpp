#include "services/files/files.hpp"

// INI files written on Windows keep working: their backslashes are slashes here.
std::string NativeFileName(std::string_view name) {
  std::string native(name);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}
