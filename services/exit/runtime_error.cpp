#include "services/exit/runtime_error.hpp"

#include <atomic>

#include "services/exit/error_numbers.hpp"

namespace {

// Plain pointers so a signal handler can read them at any moment.
std::atomic<const char*> current_routine{nullptr};
std::atomic<const char*> current_module{nullptr};

constexpr int kMaxCleanups = 32;
std::atomic<ExitCleanup> cleanups[kMaxCleanups] = {};
std::atomic<int> cleanup_count{0};

std::atomic<ExitCleanup> close_files{nullptr};
std::atomic<ExitCleanup> emergency_close_files{nullptr};
std::atomic<void (*)(int)> finish_console{nullptr};

// Appends into a fixed buffer; silently stops at the capacity.
class FixedText {
 public:
  FixedText(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
  void Add(const char* text, size_t length) {
    for (size_t i = 0; i < length && size_ < capacity_; ++i) out_[size_++] = text[i];
  }
  void Add(const char* text) {
    if (text == nullptr) return;
    while (*text != '\0' && size_ < capacity_) out_[size_++] = *text++;
  }
  void AddInt(int value) {
    char digits[12];
    int count = 0;
    // Work on the negative side so INT_MIN needs no special case.
    int rest = value < 0 ? value : -value;
    do {
      digits[count++] = static_cast<char>('0' - rest % 10);
      rest /= 10;
    } while (rest != 0);
    if (value < 0) Add("-", 1);
    while (count > 0) Add(&digits[--count], 1);
  }
  size_t size() const { return size_; }

 private:
  char* out_;
  size_t capacity_;
  size_t size_ = 0;
};

bool Known(const char* name) {
  return name != nullptr && name[0] != '\0';
}

}  // namespace

size_t FormatRuntimeErrorReport(char* out, size_t capacity, int number, int line,
                                const char* module, const char* routine) {
  if (capacity > kRuntimeErrorReportLimit) capacity = kRuntimeErrorReportLimit;
  FixedText text(out, capacity);
  text.Add("\nAborting due to runtime error ");
  text.AddInt(number);
  // Error 0 has an empty text; "()" would tell the reader nothing.
  std::string_view error_text = ErrorText(number);
  if (!error_text.empty()) {
    text.Add(" (");
    text.Add(error_text.data(), error_text.size());
    text.Add(")");
  }
  if (line > 0) {
    text.Add(" at line ");
    text.AddInt(line);
  }
  if (Known(module)) {
    text.Add(line > 0 ? " of " : " in ");
    text.Add(module);
    if (Known(routine)) {
      text.Add("::");
      text.Add(routine);
    }
    text.Add("()\n\n");
  } else {
    text.Add("\n\n");
  }
  return text.size();
}

std::string RuntimeErrorReport(int number, int line, std::string_view module,
                               std::string_view routine) {
  std::string module_text(module);
  std::string routine_text(routine);
  char buffer[kRuntimeErrorReportLimit];
  size_t size = FormatRuntimeErrorReport(buffer, sizeof buffer, number, line, module_text.c_str(),
                                         routine_text.c_str());
  return std::string(buffer, size);
}

// Only this thread's signal handlers read the names: a compiler fence orders
// them, where full barriers made two routine calls per received line cost a
// tenth of a flood.
RoutineScope::RoutineScope(const char* routine, const char* module)
    : saved_routine_(current_routine.load(std::memory_order_relaxed)),
      saved_module_(current_module.load(std::memory_order_relaxed)) {
  current_routine.store(routine, std::memory_order_relaxed);
  current_module.store(module, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

RoutineScope::~RoutineScope() {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  current_routine.store(saved_routine_, std::memory_order_relaxed);
  current_module.store(saved_module_, std::memory_order_relaxed);
}

const char* CurrentRoutine() {
  return current_routine.load();
}
const char* CurrentModule() {
  return current_module.load();
}

void RegisterExitCleanup(ExitCleanup cleanup) {
  if (cleanup == nullptr) return;
  int count = cleanup_count.load();
  for (int i = 0; i < count; ++i) {
    if (cleanups[i].load() == cleanup) return;
  }
  if (count >= kMaxCleanups) return;
  cleanups[count].store(cleanup);
  cleanup_count.store(count + 1);
}

void RunExitCleanups() {
  // Each entry is taken out before it runs, so a cleanup interrupted by a
  // signal is not started a second time by the handler.
  for (int i = cleanup_count.load() - 1; i >= 0; --i) {
    ExitCleanup cleanup = cleanups[i].exchange(nullptr);
    if (cleanup != nullptr) cleanup();
  }
}

void SetFileClosing(ExitCleanup close_all, ExitCleanup emergency_close_all) {
  close_files.store(close_all);
  emergency_close_files.store(emergency_close_all);
}

void SetConsoleFinishing(void (*finish)(int ms)) {
  finish_console.store(finish);
}

void CloseFilesForEnding() {
  if (ExitCleanup step = close_files.load()) step();
}

void EmergencyCloseFilesForEnding() {
  if (ExitCleanup step = emergency_close_files.load()) step();
}

void FinishConsoleForEnding(int ms) {
  if (auto step = finish_console.load()) step(ms);
}
