#include "services/files/files.hpp"

std::string NativeFileName(std::string_view name) {
  std::string native(name);
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return native;
}
