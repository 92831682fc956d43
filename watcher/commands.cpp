#include "watcher/commands.hpp"

#include <cstdio>

#include "services/text/text_forms.hpp"
#include "watcher/console_lines.hpp"

namespace {

void Say(const std::string& text) {
  SayProblem(text);
}

}  // namespace

std::string ExitStatusText(int status) {
  if (status >= 0) return IntText(status);
  // A Windows status code such as 0xC0000005 (access violation).
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
  return text;
}

EnvironmentVariables EventVariables(const Event& event, const std::string& log) {
  return {{"BRENWATCH_EVENT", event.event}, {"BRENWATCH_KIND", event.kind},
          {"BRENWATCH_VALUE", event.value}, {"BRENWATCH_LIMIT", event.limit},
          {"BRENWATCH_TIME", event.time},   {"BRENWATCH_LOG", log}};
}

Commands::~Commands() {
  EndAll();
}

void Commands::Start(const Event& event, const std::string& log, int64_t now_micros) {
  if (command_.empty()) return;
  if (Full()) {
    Say("the command for " + EventLine(event) + " is not run: " + IntText(kMostCommands) +
        " commands still run");
    return;
  }
  std::string error;
  auto process = StartShellCommand(command_, EventVariables(event, log), error);
  if (!process) {
    Say("cannot run the command for " + EventLine(event) + ": " + error);
    return;
  }
  running_.push_back({std::move(process), EventLine(event), now_micros});
}

void Commands::Check(int64_t now_micros) {
  for (size_t i = 0; i < running_.size();) {
    Run& run = running_[i];
    int status = 0;
    if (run.process->Ended(status)) {
      if (status != 0) {
        Say("the command for " + run.line + " failed (exit status " + ExitStatusText(status) + ")");
      }
    } else if (now_micros - run.started >= kCommandSeconds * 1000000) {
      run.process->End();
      Say("the command for " + run.line + " ran past " + IntText(kCommandSeconds) +
          " s and was ended");
    } else {
      ++i;
      continue;
    }
    running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void Commands::EndAll() {
  for (Run& run : running_) {
    int status = 0;
    if (!run.process->Ended(status)) {
      run.process->End();
      Say("the command for " + run.line + " was ended: brenwatch stops");
    }
  }
  running_.clear();
}
