#pragma once
// Numbered files 1..255, shared by ordinary files and serial ports. Every
// operation returns an error number and leaves it as the last error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

constexpr int kFirstFileNumber = 1;
constexpr int kLastFileNumber = 255;

enum class OpenMode { kInput, kOutput, kAppend, kRandom, kBinary };

// What an open file number holds: a file or a port. Operations a kind of
// channel does not support report error 1.
class Channel {
 public:
  virtual ~Channel() = default;
  virtual int Close() = 0;
  // -1 (true) at the end, 0 before it; for a port see serial_port.hpp.
  virtual int EndTest() { return -1; }
  virtual int LineInput(std::string& line);
  virtual int Write(std::string_view bytes);
  // Hands buffered bytes to the operating system; 3 when that fails.
  virtual int Flush() { return 0; }
  // Called from a signal handler before the process ends: write out what is
  // buffered and close the descriptor using only async-signal-safe calls.
  virtual void EmergencyClose() {}
};

// Puts a channel into a free slot; 1 when the number is out of range or used.
int InstallChannel(int number, std::unique_ptr<Channel> channel);
// The channel of an open number, or nullptr.
Channel* ChannelAt(int number);

int OpenFile(int number, std::string_view name, OpenMode mode);
int CloseFile(int number);
// The next line without its end (LF, CR LF, or a lone CR before the end of
// the file); empty text and 0 at the end of the file.
int LineInput(int number, std::string& line);
// The text then CR LF.
int PrintFileLine(int number, std::string_view text);
// The text alone.
int PrintFileText(int number, std::string_view text);
int FlushFile(int number);
// -1 at the end of an input file (and for a number that is not open), else 0.
int EndOfFile(int number);
// Closes every open number, ports included; safe to call more than once.
void CloseAllFiles();
// For a process that is ending from a signal handler: every open channel
// writes out what it buffered and closes (Channel::EmergencyClose). Async-
// signal-safe; the channels are not freed.
void EmergencyCloseAllFiles();

// A file name as it is used on this system: backslashes become "/" on POSIX,
// slashes become backslashes on Windows.
std::string NativeFileName(std::string_view name);
