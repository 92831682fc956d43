#pragma once
#include <array>
#include <cstdint>

// A ring of 511 key codes; a key that arrives when it is full drops the
// oldest. Codes are 1..255 or extended (scan code << 8 | 0xFF).
class KeyBuffer {
 public:
  static constexpr int kCapacity = 511;
  void Push(int code);
  bool Pop(int& code);
  bool Empty() const { return count_ == 0; }
  int Size() const { return count_; }
  // Set whenever a key enters; cleared by Pop and by the pause.
  bool hit = false;

 private:
  std::array<int, kCapacity + 1> slots_{};
  int head_ = 0;
  int count_ = 0;
};
