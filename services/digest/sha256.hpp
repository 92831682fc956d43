#pragma once
// SHA-256 through the system's cryptography: OpenSSL's libcrypto on POSIX
// systems, BCrypt on Windows.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(const char* data, size_t size);
  // 64 lower-case hex digits of everything added; the digest then starts over.
  std::string Hex();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest and length of a whole file, read once; false when it cannot be
// read.
bool FileSha256(const std::string& name, std::string& hex, uint64_t& bytes);
