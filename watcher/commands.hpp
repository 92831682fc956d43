#pragma once
// The --exec command of each event, run beside the watching: starting one
// never waits, one running past its time is ended, and each ending that is
// not a success is said on standard error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "services/process/shell_command.hpp"
#include "watcher/alarms.hpp"

constexpr int64_t kCommandSeconds = 60;
// A storm of events starts no more commands than this at once.
constexpr size_t kMostCommands = 32;

// A command's exit status as a user reads it: Windows status codes (past
// 0x7FFFFFFF) in hexadecimal, never negative.
std::string ExitStatusText(int status);

// BRENWATCH_EVENT, _KIND, _VALUE, _LIMIT, _TIME and _LOG of an event.
EnvironmentVariables EventVariables(const Event& event, const std::string& log);

class Commands {
 public:
  explicit Commands(std::string command) : command_(std::move(command)) {}
  ~Commands();

  void Start(const Event& event, const std::string& log, int64_t now_micros);
  // Reports what has ended and ends what ran too long.
  void Check(int64_t now_micros);
  bool Running() const { return !running_.empty(); }
  bool Full() const { return running_.size() >= kMostCommands; }
  // Ends every command still running (the run is over).
  void EndAll();

 private:
  struct Run {
    std::unique_ptr<ShellCommand> process;
    std::string line;  // the event it runs for
    int64_t started = 0;
  };
  std::string command_;
  std::vector<Run> running_;
};
