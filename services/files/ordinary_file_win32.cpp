#include <io.h>

#include <string>

#include "services/files/files.hpp"
#include "services/files/ordinary_file.hpp"

// A directory search for the name as a pattern: an entry counts when it is
// neither a directory nor hidden nor a system entry.
bool IsOrdinaryFile(std::string_view pattern) {
  std::string name = NativeFileName(pattern);
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  _finddata_t entry;
  intptr_t search = _findfirst(name.c_str(), &entry);
  if (search == -1) return false;
  bool any = false;
  do {
    any = (entry.attrib & (_A_SUBDIR | _A_HIDDEN | _A_SYSTEM)) == 0;
  } while (!any && _findnext(search, &entry) == 0);
  _findclose(search);
  return any;
}
