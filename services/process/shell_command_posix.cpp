#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "services/process/shell_command.hpp"

extern char** environ;

namespace {

class SpawnedCommand : public ShellCommand {
 public:
  explicit SpawnedCommand(pid_t pid) : pid_(pid) {}
  ~SpawnedCommand() override {
    int status;
    if (!Ended(status)) End();
  }

  bool Ended(int& status) override {
    if (ended_) {
      status = status_;
      return true;
    }
    int raw = 0;
    pid_t got;
    do {
      got = waitpid(pid_, &raw, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return false;
    ended_ = true;
    status_ = got < 0 ? -1 : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : WEXITSTATUS(raw);
    status = status_;
    return true;
  }

  void End() override {
    if (ended_) return;
    // Its own process group: the shell and all it started.
    kill(-pid_, SIGKILL);
    int raw;
    while (waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
    status_ = 128 + SIGKILL;
  }

 private:
  pid_t pid_;
  bool ended_ = false;
  int status_ = -1;
};

}  // namespace

std::unique_ptr<ShellCommand> StartShellCommand(const std::string& command,
                                                const EnvironmentVariables& variables,
                                                std::string& error) {
  std::vector<std::string> entries;
  for (char** at = environ; at && *at; ++at) {
    std::string entry = *at;
    bool replaced = false;
    for (const auto& [name, value] : variables) {
      replaced = replaced || entry.compare(0, name.size() + 1, name + "=") == 0;
    }
    if (!replaced) entries.push_back(std::move(entry));
  }
  for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, number);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

  std::string shell = "/bin/sh", dash_c = "-c", text = command;
  char* argv[] = {shell.data(), dash_c.data(), text.data(), nullptr};
  pid_t pid = 0;
  int failed = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) {
    error = std::strerror(failed);
    return nullptr;
  }
  return std::make_unique<SpawnedCommand>(pid);
}
