#pragma once
// A command run through the system's shell (/bin/sh -c; cmd.exe /c on
// Windows) beside the caller, which never waits for it: it only looks
// whether it has ended, and can end it.
#include <memory>
#include <string>
#include <utility>
#include <vector>

using EnvironmentVariables = std::vector<std::pair<std::string, std::string>>;

class ShellCommand {
 public:
  virtual ~ShellCommand() = default;
  // True once it has ended; `status` is then its exit status (128 + the
  // signal number when a signal ended it).
  virtual bool Ended(int& status) = 0;
  // Ends it and whatever it started.
  virtual void End() = 0;
};

// Starts `command` with `variables` added to this process's environment (so
// their values never pass through the command text), standard input from the
// null device, standard output and error shared with this process. Null with
// `error` set when it cannot be started.
std::unique_ptr<ShellCommand> StartShellCommand(const std::string& command,
                                                const EnvironmentVariables& variables,
                                                std::string& error);
