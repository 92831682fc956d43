#pragma once
// Console lines out, keys in. Keys are polled without waiting; a key that
// produces an extended code reads as the character 255 then its scan code.
#include <string>
#include <string_view>

#include "services/console/key_buffer.hpp"

// The console seam: where lines go and where keys come from.
class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;
  // Writes every byte before returning, or hands them to a queue that does
  // (the process console once QueueConsoleOutput was called).
  virtual void Write(std::string_view bytes) = 0;
  // An echo of a received line: one that a queue may drop when the console
  // falls too far behind.
  virtual void WriteEcho(std::string_view bytes) { Write(bytes); }
  // Waits at most `ms` for queued output to reach the console.
  virtual void Finish(int ms) { (void)ms; }
  // Moves the keys that are ready now into the buffer; never waits.
  virtual void CollectKeys(KeyBuffer& keys) = 0;
  // True when no key will ever arrive again (end of a piped input).
  virtual bool KeysExhausted() { return false; }
  // A descriptor that turns readable when a key may have arrived, so an idle
  // caller can sleep until then (on Windows a C runtime descriptor whose
  // handle is signalled while console input waits): kNoKeysComing when none
  // ever will, and
  // kCannotWatch when keys must be polled (a fake, a half-read escape
  // sequence, a job in the background).
  static constexpr int kNoKeysComing = -1;
  static constexpr int kCannotWatch = -2;
  virtual int KeyWaitDescriptor() { return kCannotWatch; }
};

// nullptr restores the process console (standard input and output). Keys
// still buffered from the previous device are dropped.
void SetConsoleDevice(ConsoleDevice* device);
ConsoleDevice& CurrentConsole();
// Standard output for lines; standard input for keys, a terminal there in raw
// mode from the first key poll until the process ends.
ConsoleDevice& ProcessConsole();
// From now on the process console never holds up its caller: output waits
// in a bounded queue that a thread of its own writes out, and a console gone
// for good ends the output, not the program.
void QueueConsoleOutput();
// Writes held lines, then gives queued output at most `ms` to reach the
// console. Not for signal handlers.
void FinishConsoleOutput(int ms);
// Puts a terminal on standard input back the way it was before keys were
// read. Safe in a signal handler; does nothing when nothing was changed. The
// next key poll makes it raw again. Call it before starting another program.
void RestoreConsole();

// A key may be waiting: the next PollKey looks at the device at once.
void ExpectKey();
// True when keys already read from the device wait for PollKey.
bool KeysBuffered();

// The text then CR LF on standard output.
void PrintLine(std::string_view text);
// While holding is on, the text then CR LF is held back with other such
// lines until the next WriteHeldLines or PrintLine, a full buffer, the end of
// holding or of the process: a flood of lines costs one console write per
// burst, not one per line. With holding off it is PrintLine.
void HoldLine(std::string_view text);
void WriteHeldLines();
void HoldLines(bool on);
// The next key: empty when none, one character, or 255 and the scan code.
std::string PollKey();
// Code of the first character of a key string, 0 for the empty string.
int KeyCode(std::string_view key);
// ms >= 100: sleeps, ending early within 50 ms of a key press (the key stays
// for PollKey). 0..99: sleeps without looking at keys. -1: waits for a key.
void Pause(int ms);
