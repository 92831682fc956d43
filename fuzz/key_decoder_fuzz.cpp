// The key decoder over reads and quiet spells: no Escape key without a lone
// Escape byte (one the input fell quiet after), no plain key that was not a
// byte of the input, only valid codes, and the same keys however the bytes
// between two quiet spells were split into reads.
//
// Input: records of a control byte and up to 15 bytes of one read; the
// control's low nibble is the read's length, bit 4 a quiet spell after it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.hpp"
#include "services/console/key_decoder.hpp"

namespace {

constexpr unsigned char kEsc = 0x1B;

struct Read {
  std::string_view bytes;
  bool quiet_after;
};

std::vector<int> Decode(const std::vector<Read>& reads) {
  KeyDecoder decoder;
  std::vector<int> keys;
  for (const Read& read : reads) {
    decoder.Feed(read.bytes, keys);
    if (read.quiet_after && decoder.Pending()) decoder.Flush(keys);
    if (read.quiet_after) FUZZ_CHECK(!decoder.Pending());
  }
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<Read> reads;
  std::vector<Read> joined;  // one read per stretch between quiet spells
  std::string all;
  std::vector<size_t> stretch_starts{0};
  for (size_t at = 0; at < size;) {
    unsigned control = data[at++];
    size_t length = control & 0x0F;
    if (length > size - at) length = size - at;
    std::string_view bytes(reinterpret_cast<const char*>(data) + at, length);
    at += length;
    bool quiet = (control & 0x10) != 0 || at == size;
    reads.push_back({bytes, quiet});
    all.append(bytes);
    if (quiet) stretch_starts.push_back(all.size());
  }
  if (reads.empty()) return 0;
  for (size_t i = 0; i + 1 < stretch_starts.size(); ++i) {
    size_t from = stretch_starts[i];
    joined.push_back({std::string_view(all).substr(from, stretch_starts[i + 1] - from), true});
  }

  std::array<int, 256> bytes_seen{};
  for (unsigned char c : all) ++bytes_seen[c];
  int lone_escapes = 0;
  for (const Read& r : joined) lone_escapes += !r.bytes.empty() && r.bytes.back() == '\x1b';

  std::vector<int> keys = Decode(reads);
  std::array<int, 256> plain_keys{};
  for (int key : keys) {
    if (key < 256) {
      FUZZ_CHECK(key > 0);
      ++plain_keys[key];
    } else {
      FUZZ_CHECK((key & 0xFF) == 0xFF && (key >> 8) >= 1 && (key >> 8) <= 255);
    }
  }
  FUZZ_CHECK(plain_keys[kEsc] <= lone_escapes);
  for (int c = 1; c < 256; ++c) {
    if (c != kEsc) FUZZ_CHECK(plain_keys[c] <= bytes_seen[c]);
  }
  FUZZ_CHECK(Decode(joined) == keys);
  return 0;
}
