#pragma once
// What brenwatch follows: the logs a brenmark INI file names (FILESTR with its
// %VAR%, SWITCHHRS, APNDTIME, DELIMITER and EOL read exactly as brenmark reads
// them), or one log file whose layout is detected as brenplot detects it.
#include <string>
#include <vector>

#include "services/files/followed_files.hpp"

struct LogSource {
  std::string source;  // SOURCE as given on the command line
  bool from_ini = false;
  // The log file, or for a numbered run the name pattern as written in FILESTR
  // (variable expanded); relative names count from the current folder, as
  // they do for a brenmark started there.
  std::string file;
  bool numbered = false;  // SWITCHHRS above 0 and a "0000" in the name
  std::string prefix;     // numbered: the name up to the four digits
  std::string suffix;     // numbered: the name after them
  bool stamped = false;   // APNDTIME: every record begins with its date and time
  std::string delimiter;  // DELIMITER as brenmark writes it
  std::string eol;        // EOL as brenmark writes it
};

// False with a message naming SOURCE when it cannot be read. An INI file is
// read through the logger's one settings record: one thread at a time.
bool ReadLogSource(const std::string& source, LogSource& out, std::string& error);

// The folder holding the source's logs ("." for a bare name) and, for a
// numbered source, the name of a log of that folder when it is one of the
// run's files (else empty); both native.
std::string LogFolder(const LogSource& source);
std::string NumberedLogName(const LogSource& source, const std::string& folder_entry);

// A log of the source that exists now.
struct ExistingLog {
  std::string name;  // native
  FileFacts facts;
};
// The source's logs that exist now, oldest first (by time of the last
// change, then name), so a new run that took a lower number comes last.
std::vector<ExistingLog> ExistingLogs(const LogSource& source);
