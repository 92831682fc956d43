#pragma once
// A fresh folder of this run's own under the system's temporary folder, for
// the chart and the browser's profile; removed with its contents.
#include <string>

class ScratchFolder {
 public:
  ScratchFolder() = default;
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // False when none can be made.
  bool Make();
  // A name inside it.
  std::string Path(const std::string& name) const;

 private:
  std::string path_;
};

// The whole contents of a file; false when it cannot be read.
bool ReadFileText(const std::string& name, std::string& text);
