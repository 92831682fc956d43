#pragma once
#include <string>
#include <string_view>

// A fresh directory under $TMPDIR (or /tmp), removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(std::string_view name) const;
  // Writes bytes exactly as given; returns the full path.
  std::string Write(std::string_view name, std::string_view content) const;

 private:
  std::string path_;
};

// Creates a fresh, empty directory and gives its path; throws when it cannot.
std::string NewTempDirectory();

// Whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
