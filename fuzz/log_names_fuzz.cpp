// The log-file name search on arbitrary patterns, under a directory holding
// a few numbered files (the pattern is appended to its path, so nothing
// changes the working directory libFuzzer's own paths depend on): a pattern without "0000" is kept
// and switching stops; otherwise the name is the pattern's prefix, four digits of the file number
// and its suffix, the first number whose name is free, and the next search
// goes on from there.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/check.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/files/ordinary_file.hpp"

namespace {

const std::string& ScratchDirectory() {
  static const std::string dir = [] {
    char name[] = "/tmp/log_names_fuzz.XXXXXX";
    FUZZ_CHECK(mkdtemp(name) != nullptr);
    std::string path = std::string(name) + "/";
    for (const char* file : {"log0000.txt", "log0001.txt", "log0002.txt", "log0004.txt", "a0000",
                             "a0001", ".d0001", "b[0001]", "c*0001", "sub/a0001x1"}) {
      if (std::string(file).starts_with("sub/")) mkdir((path + "sub").c_str(), 0755);
      int fd = open((path + file).c_str(), O_WRONLY | O_CREAT, 0644);
      FUZZ_CHECK(fd >= 0);
      close(fd);
    }
    FUZZ_CHECK(mkdir((path + "dir0001").c_str(), 0755) == 0);
    return path;
  }();
  return dir;
}

std::string Named(const std::string& prefix, int32_t number, const std::string& suffix) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", static_cast<int>(number % 10000));
  return prefix + digits + suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string pattern = ScratchDirectory() + std::string(reinterpret_cast<const char*>(data), size);
  Settings = SettingsRecord{};
  Settings.LogToFile = 1;
  Settings.SwitchHrs = 1;
  Settings.FileStr = pattern;

  std::string name = BUILDFILESTR();
  size_t zeros = pattern.find("0000");
  if (zeros == std::string::npos) {
    FUZZ_CHECK(name == pattern && Settings.SwitchHrs == 0);
    return 0;
  }
  std::string prefix = pattern.substr(0, zeros);
  size_t after = pattern.find_first_not_of('0', zeros);
  std::string suffix = after == std::string::npos ? "" : pattern.substr(after);
  int32_t number = Settings.FileNumber;
  // Numbers run from 0; after 9999 every name has been tried.
  FUZZ_CHECK(number >= 0 && number <= 9999);
  FUZZ_CHECK(name == Named(prefix, number, suffix) && Settings.FileStr == name);
  if (number < 9999) FUZZ_CHECK(!IsOrdinaryFile(name));
  if (number > 0) FUZZ_CHECK(IsOrdinaryFile(Named(prefix, number - 1, suffix)));

  // The next switch starts after the name in use, with the same pattern.
  std::string next = BUILDFILESTR();
  FUZZ_CHECK(Settings.FileNumber > number);
  FUZZ_CHECK(next == Named(prefix, Settings.FileNumber, suffix));
  return 0;
}
