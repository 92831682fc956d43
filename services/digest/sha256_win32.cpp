// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include "services/digest/sha256.hpp"

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256() : state_(new State) {
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0) {
    BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0);
  }
}

Sha256::~Sha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
  if (state_->algorithm) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Sha256::Add(const char* data, size_t size) {
  // BCryptHashData takes at most 4 GB at a time.
  while (size > 0 && state_->hash) {
    ULONG part = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    BCryptHashData(state_->hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data)), part, 0);
    data += part;
    size -= part;
  }
}

std::string Sha256::Hex() {
  unsigned char digest[32] = {};
  if (state_->hash) {
    BCryptFinishHash(state_->hash, digest, sizeof digest, 0);
    BCryptDestroyHash(state_->hash);
    state_->hash = nullptr;
    BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}
