#include <glob.h>
#include <sys/stat.h>

#include <string>

#include "services/files/files.hpp"
#include "services/files/ordinary_file.hpp"

namespace {

bool IsRegular(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool IsOrdinaryFile(std::string_view pattern) {
  std::string name = NativeFileName(pattern);
  // A trailing "/" names a directory; glob would drop it and match the file.
  if (name.empty() || name.back() == '/' || name.find('\0') != std::string::npos) return false;
  // The name itself first: "[" and "]" are ordinary in names written for
  // Windows, where only "*" and "?" are wildcards.
  if (IsRegular(name.c_str())) return true;
  glob_t found{};
  // No hidden attribute here: wildcards match names that begin with a dot.
  int result = glob(name.c_str(), GLOB_NOSORT | GLOB_NOESCAPE | GLOB_PERIOD, nullptr, &found);
  bool any = false;
  if (result == 0) {
    for (size_t i = 0; i < found.gl_pathc && !any; ++i) any = IsRegular(found.gl_pathv[i]);
  }
  globfree(&found);
  return any;
}
