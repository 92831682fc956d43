#include "services/console/key_buffer.hpp"

namespace {
constexpr int kSlots = KeyBuffer::kCapacity + 1;
}  // namespace

void KeyBuffer::Push(int code) {
  if (count_ == kCapacity) {
    head_ = (head_ + 1) % kSlots;
    --count_;
  }
  slots_[(head_ + count_) % kSlots] = code;
  ++count_;
  hit = true;
}

bool KeyBuffer::Pop(int& code) {
  if (count_ == 0) return false;
  code = slots_[head_];
  head_ = (head_ + 1) % kSlots;
  --count_;
  hit = false;
  return true;
}
