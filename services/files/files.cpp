#include "services/files/files.hpp"

#include <atomic>
#include <cstdlib>

#include "services/exit/error_numbers.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/text_file.hpp"

namespace {

// Raw pointers, not unique_ptr: the table must outlive static destruction and
// be readable from a signal handler.
std::atomic<Channel*> slots[kLastFileNumber + 1] = {};
bool exit_hooks_installed = false;

bool InRange(int number) {
  return number >= kFirstFileNumber && number <= kLastFileNumber;
}

void InstallExitHooks() {
  if (exit_hooks_installed) return;
  exit_hooks_installed = true;
  RegisterExitCleanup(EmergencyCloseAllFiles);
  std::atexit(CloseAllFiles);
}

// The ending's report closes the files through these; set at start, before
// any channel can open.
[[maybe_unused]] const bool closing_handed_down =
    (SetFileClosing(CloseAllFiles, EmergencyCloseAllFiles), true);

}  // namespace

int Channel::LineInput(std::string& line) {
  line.clear();
  return SetLastError(kIllegalFunctionCall);
}

int Channel::Write(std::string_view) {
  return SetLastError(kIllegalFunctionCall);
}

int InstallChannel(int number, std::unique_ptr<Channel> channel) {
  if (!InRange(number) || channel == nullptr || slots[number].load() != nullptr) {
    return SetLastError(kIllegalFunctionCall);
  }
  InstallExitHooks();
  slots[number].store(channel.release());
  return SetLastError(kNoError);
}

Channel* ChannelAt(int number) {
  return InRange(number) ? slots[number].load() : nullptr;
}

int OpenFile(int number, std::string_view name, OpenMode mode) {
  if (!InRange(number) || slots[number].load() != nullptr) {
    return SetLastError(kIllegalFunctionCall);
  }
  std::unique_ptr<Channel> channel;
  int result = OpenTextFileChannel(NativeFileName(name), mode, channel);
  if (result != kNoError) return SetLastError(result);
  return InstallChannel(number, std::move(channel));
}

int CloseFile(int number) {
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) return SetLastError(kIllegalFunctionCall);
  // Closed before the slot is cleared, so a signal meanwhile still finds the
  // channel and writes out what it holds.
  int result = channel->Close();
  slots[number].store(nullptr);
  delete channel;
  return SetLastError(result);
}

int LineInput(int number, std::string& line) {
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) {
    line.clear();
    return SetLastError(kIllegalFunctionCall);
  }
  return SetLastError(channel->LineInput(line));
}

int PrintFileText(int number, std::string_view text) {
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) return SetLastError(kIllegalFunctionCall);
  return SetLastError(channel->Write(text));
}

int PrintFileLine(int number, std::string_view text) {
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) return SetLastError(kIllegalFunctionCall);
  channel->Write(text);
  // The line end is the last write of the statement; its result stands.
  return SetLastError(channel->Write("\r\n"));
}

int FlushFile(int number) {
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) return SetLastError(kIllegalFunctionCall);
  return SetLastError(channel->Flush());
}

int EndOfFile(int number) {
  Channel* channel = ChannelAt(number);
  if (channel == nullptr) return -1;
  return channel->EndTest();
}

void CloseAllFiles() {
  int saved = LastError();
  for (int number = kFirstFileNumber; number <= kLastFileNumber; ++number) {
    if (slots[number].load() != nullptr) CloseFile(number);
  }
  SetLastError(saved);
}

void EmergencyCloseAllFiles() {
  for (int number = kFirstFileNumber; number <= kLastFileNumber; ++number) {
    // Taken out of the table first: the process is ending, the object is
    // left as it is rather than freed inside a signal handler.
    Channel* channel = slots[number].exchange(nullptr);
    if (channel != nullptr) channel->EmergencyClose();
  }
}
