#include <windows.h>

#include <atomic>
#include <vector>

#include "services/console/console.hpp"
#include "services/console/console_events.hpp"
#include "services/console/console_writer.hpp"
#include "services/exit/loop_requests_win32.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/exit/write_all_win32.hpp"

namespace {

constexpr DWORD kEventBatch = 64;
// More than the key buffer holds; a flood of piped bytes would only drop.
constexpr DWORD kReadChunk = 512;
// At most this long a closing console waits for the logger to close its
// files; the system ends the process after some seconds anyway.
constexpr DWORD kCloseGraceMs = 4000;
// The end of a run asked for by a closing console: as a closed terminal's
// hang-up ends it on POSIX.
constexpr int kClosedConsoleEnding = 13;

std::atomic<int> pending_close_keys{0};
DWORD saved_input_mode = 0;
std::atomic<bool> input_mode_changed{false};
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_LOGOFF_EVENT:
      // A service wrapper's process gets this for every user's log-off.
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      NoteControlEvent();
      ++pending_close_keys;
      AskLoopToEnd(kClosedConsoleEnding);
      // Returning lets the system end the process at once (0xC000013A): the
      // loop closes its files, reports and ends the process with its own
      // code while this waits.
      Sleep(kCloseGraceMs);
      return TRUE;
    default:
      return FALSE;
  }
}

// Runs once the files are closed, on every way out.
void OnFilesClosed() {
  if (!ControlEventSeen()) SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool IsConsoleHandle(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

class Win32Console final : public ConsoleDevice {
 public:
  ~Win32Console() override { RestoreConsole(); }

  void Write(std::string_view bytes) override {
    if (writer_ != nullptr) {
      writer_->Write(bytes, false);
    } else {
      WriteAllToHandle(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
    }
  }

  void WriteEcho(std::string_view bytes) override {
    if (writer_ != nullptr) {
      writer_->Write(bytes, true);
    } else {
      WriteAllToHandle(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
    }
  }

  void Finish(int ms) override {
    if (writer_ != nullptr) writer_->Drain(ms);
  }

  // A console write waits while the user selects text in the window (and
  // behind a full pipe): only the output thread waits then.
  void Queue() {
    if (writer_ != nullptr) return;
    // Never freed: at exit its thread may still wait in a write.
    writer_ = new ConsoleWriter([](std::string_view bytes) {
      return WriteAllToHandle(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
    });
  }

  void CollectKeys(KeyBuffer& keys) override {
    if (exhausted_) return;
    if (input_ == Input::kUnknown) Start();
    for (int n = pending_close_keys.exchange(0); n > 0; --n) keys.Push(kAltF4Key);
    decoded_.clear();
    if (input_ == Input::kConsole) {
      ReadConsoleKeys();
    } else {
      ReadStreamKeys();
    }
    for (int code : decoded_) keys.Push(code);
  }

  bool KeysExhausted() override { return exhausted_ && pending_close_keys.load() == 0; }

  // The C runtime's descriptor of a console input, which turns signalled
  // when input events wait; pipes and files are polled.
  int KeyWaitDescriptor() override {
    if (exhausted_) return kNoKeysComing;
    if (input_ != Input::kConsole) return kCannotWatch;
    return 0;
  }

 private:
  enum class Input { kUnknown, kConsole, kStream };

  void Start() {
    input_handle_ = GetStdHandle(STD_INPUT_HANDLE);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    RegisterExitCleanup(OnFilesClosed);
    if (!IsConsoleHandle(input_handle_)) {
      input_ = Input::kStream;
      return;
    }
    input_ = Input::kConsole;
    DWORD mode = 0;
    GetConsoleMode(input_handle_, &mode);
    saved_input_mode = mode;
    // Processed input: Ctrl+C goes to the control handler as the interrupt.
    if (SetConsoleMode(input_handle_, mode | ENABLE_PROCESSED_INPUT)) {
      input_mode_changed = true;
      RegisterExitCleanup(RestoreConsole);
    }
    // Some consoles deliver events only after a first read.
    INPUT_RECORD none;
    DWORD count = 0;
    ReadConsoleInputA(input_handle_, &none, 0, &count);
  }

  void ReadConsoleKeys() {
    for (;;) {
      DWORD waiting = 0;
      if (!GetNumberOfConsoleInputEvents(input_handle_, &waiting)) {
        exhausted_ = true;
        return;
      }
      if (waiting == 0) return;
      INPUT_RECORD records[kEventBatch];
      DWORD count = 0;
      if (!ReadConsoleInputA(input_handle_, records, kEventBatch, &count) || count == 0) return;
      for (DWORD i = 0; i < count; ++i) {
        if (records[i].EventType == KEY_EVENT)
          translator_.Translate(Event(records[i].Event.KeyEvent), decoded_);
      }
    }
  }

  static ConsoleKeyEvent Event(const KEY_EVENT_RECORD& record) {
    ConsoleKeyEvent e;
    e.down = record.bKeyDown != FALSE;
    e.repeat = record.wRepeatCount;
    e.virtual_key = record.wVirtualKeyCode;
    e.scan = record.wVirtualScanCode;
    e.character = static_cast<unsigned char>(record.uChar.AsciiChar);
    // Some consoles send Escape without its character.
    if (e.character == 0 && e.virtual_key == VK_ESCAPE) e.character = 27;
    UINT own = MapVirtualKeyA(record.wVirtualKeyCode, MAPVK_VK_TO_CHAR);
    // The top bit marks a dead key; its character is in the low word.
    e.key_character = static_cast<unsigned char>(own & 0xFFFF);
    DWORD state = record.dwControlKeyState;
    e.enhanced = (state & ENHANCED_KEY) != 0;
    e.alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
    e.ctrl = (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
    e.shift = (state & SHIFT_PRESSED) != 0;
    return e;
  }

  // A pipe or a file: each byte is one key. A pipe is asked what it holds
  // first, so the poll never waits.
  void ReadStreamKeys() {
    DWORD available = kReadChunk;
    if (GetFileType(input_handle_) == FILE_TYPE_PIPE) {
      if (!PeekNamedPipe(input_handle_, nullptr, 0, nullptr, &available, nullptr)) {
        exhausted_ = true;
        return;
      }
      if (available == 0) return;
    }
    char bytes[kReadChunk];
    DWORD count = 0;
    if (!ReadFile(input_handle_, bytes, available < kReadChunk ? available : kReadChunk, &count,
                  nullptr) ||
        count == 0) {
      exhausted_ = true;
      return;
    }
    for (DWORD i = 0; i < count; ++i) {
      // Code 0 means "no key" to every caller.
      if (bytes[i] != '\0') decoded_.push_back(static_cast<unsigned char>(bytes[i]));
    }
  }

  Input input_ = Input::kUnknown;
  HANDLE input_handle_ = INVALID_HANDLE_VALUE;
  ConsoleWriter* writer_ = nullptr;
  bool exhausted_ = false;
  ConsoleKeyTranslator translator_;
  std::vector<int> decoded_;
};

}  // namespace

ConsoleDevice& ProcessConsole() {
  static Win32Console console;
  return console;
}

void QueueConsoleOutput() {
  static_cast<Win32Console&>(ProcessConsole()).Queue();
}

void RestoreConsole() {
  if (!input_mode_changed.exchange(false)) return;
  SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), saved_input_mode);
}
