#include "watcher/log_source.hpp"

#include <algorithm>
#include <tuple>

#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/ini_keys.hpp"
#include "logger/log_names.hpp"
#include "logger/text_rules.hpp"
#include "services/files/files.hpp"
#include "services/files/followed_files.hpp"
#include "services/text/text_forms.hpp"

namespace {

bool NamesIniFile(const std::string& source) {
  return source.size() > 4 && UpperAscii(source.substr(source.size() - 4)) == ".INI";
}

// Where the folder part of a native name ends (just past its last separator).
size_t FolderPartEnd(const std::string& native) {
  size_t slash = native.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool ReadLogSource(const std::string& source, LogSource& out, std::string& error) {
  out = LogSource{};
  out.source = source;
  FileFacts facts;
  SharedReadFile readable;
  if (!readable.Open(NativeFileName(source), facts)) {
    error = "cannot read " + source + ": no such file, not a file, or no permission";
    return false;
  }
  readable.Close();
  if (!NamesIniFile(source)) {
    out.file = source;
    return true;
  }
  // The logger's own reading of its settings, into its settings record.
  INITALIZEGLOBALS();
  int system_error = 0;
  if (ApplyIniFile(source, system_error) != 0) {
    error = "cannot read " + source + " (error " + IntText(system_error) + ")";
    return false;
  }
  const SettingsRecord& s = Settings;
  if (s.LogToFile == 0) {
    error = source + " names no log file (FILESTR)";
    return false;
  }
  out.from_ini = true;
  out.file = s.FileStr;
  out.numbered = s.SwitchHrs > 0 && SplitNumberedName(s.FileStr, out.prefix, out.suffix);
  out.stamped = s.ApndTime != 0;
  out.delimiter = s.Delimiter;
  out.eol = s.EolStr;
  return true;
}

std::string LogFolder(const LogSource& source) {
  std::string native = NativeFileName(source.numbered ? source.prefix : source.file);
  size_t end = FolderPartEnd(native);
  if (end == 0) return ".";
  return end == 1 ? native.substr(0, 1) : native.substr(0, end - 1);
}

std::string NumberedLogName(const LogSource& source, const std::string& folder_entry) {
  if (!source.numbered) return {};
  std::string prefix = NativeFileName(source.prefix);
  size_t end = FolderPartEnd(prefix);
  std::string_view base = std::string_view(prefix).substr(end);
  std::string_view entry = folder_entry;
  if (entry.size() != base.size() + 4 + source.suffix.size() || !entry.starts_with(base) ||
      !entry.ends_with(source.suffix)) {
    return {};
  }
  for (size_t i = base.size(); i < base.size() + 4; ++i) {
    if (!IsDigit(entry[i])) return {};
  }
  return prefix.substr(0, end) + folder_entry;
}

std::vector<ExistingLog> ExistingLogs(const LogSource& source) {
  std::vector<ExistingLog> files;
  if (!source.numbered) {
    ExistingLog file{NativeFileName(source.file), {}};
    if (LookAtFile(file.name, file.facts)) files.push_back(file);
    return files;
  }
  std::vector<std::string> entries;
  ListFolder(LogFolder(source), entries);
  for (const std::string& entry : entries) {
    ExistingLog file{NumberedLogName(source, entry), {}};
    if (!file.name.empty() && LookAtFile(file.name, file.facts)) files.push_back(file);
  }
  std::sort(files.begin(), files.end(), [](const ExistingLog& a, const ExistingLog& b) {
    return std::tie(a.facts.modified, a.name) < std::tie(b.facts.modified, b.name);
  });
  return files;
}
