#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "services/console/terminal_screen.hpp"
#include "services/exit/runtime_error.hpp"

namespace {

constexpr TerminalSize kUsualSize{80, 25};

// Read by RestoreTerminalScreen from the Ctrl+C handler's thread.
HANDLE original_output = INVALID_HANDLE_VALUE;
CONSOLE_CURSOR_INFO original_cursor{25, TRUE};
std::atomic<bool> screen_shown{false};
bool restore_registered = false;

std::wstring Widened(std::string_view text) {
  if (text.empty()) return {};
  int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L' ');
  if (size > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// A screen buffer of its own, made the console's active one: the console's
// text stays as it was underneath and comes back whole.
class Win32TerminalScreen final : public TerminalScreen {
 public:
  explicit Win32TerminalScreen(HANDLE buffer) : buffer_(buffer) {}
  ~Win32TerminalScreen() override {
    RestoreTerminalScreen();
    CloseHandle(buffer_);
  }

  TerminalSize Size() override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(buffer_, &info)) return kUsualSize;
    return {info.srWindow.Right - info.srWindow.Left + 1,
            info.srWindow.Bottom - info.srWindow.Top + 1};
  }

  // Every row of the window written whole, padded with blanks, so nothing
  // of an earlier screen is left.
  void Draw(std::string_view screen) override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(buffer_, &info)) return;
    int columns = info.srWindow.Right - info.srWindow.Left + 1;
    int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    for (int row = 0; row < rows; ++row) {
      size_t end = screen.find('\n');
      std::wstring line = Widened(screen.substr(0, end));
      screen = end == std::string_view::npos ? std::string_view{} : screen.substr(end + 1);
      line.resize(static_cast<size_t>(columns), L' ');
      COORD at{info.srWindow.Left, static_cast<SHORT>(info.srWindow.Top + row)};
      DWORD written = 0;
      WriteConsoleOutputCharacterW(buffer_, line.data(), static_cast<DWORD>(columns), at, &written);
    }
  }

 private:
  HANDLE buffer_;
};

}  // namespace

std::unique_ptr<TerminalScreen> OpenTerminalScreen() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (output == INVALID_HANDLE_VALUE || output == nullptr || !GetConsoleMode(output, &mode))
    return nullptr;
  HANDLE buffer =
      CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (buffer == INVALID_HANDLE_VALUE) return nullptr;
  CONSOLE_CURSOR_INFO cursor{25, FALSE};
  SetConsoleCursorInfo(buffer, &cursor);
  original_output = output;
  GetConsoleCursorInfo(output, &original_cursor);
  if (!restore_registered) {
    restore_registered = true;
    atexit(RestoreTerminalScreen);
  }
  RegisterExitCleanup(RestoreTerminalScreen);
  if (!SetConsoleActiveScreenBuffer(buffer)) {
    CloseHandle(buffer);
    return nullptr;
  }
  screen_shown = true;
  return std::make_unique<Win32TerminalScreen>(buffer);
}

void RestoreTerminalScreen() {
  if (!screen_shown.exchange(false)) return;
  SetConsoleActiveScreenBuffer(original_output);
  // Some consoles keep the hidden cursor of the screen given up.
  SetConsoleCursorInfo(original_output, &original_cursor);
}
