#include "services/digest/sha256.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/temp_dir.hpp"

// Known digests (FIPS 180-2 examples), fed whole and in pieces: a digest that
// lost or repeated a piece, or did not start over, would differ.
TEST(Sha256Test, KnownDigests) {
  struct Case {
    std::string text;
    const char* hex;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  Sha256 digest;
  for (const Case& c : cases) {
    digest.Add(c.text.data(), c.text.size());
    EXPECT_EQ(digest.Hex(), c.hex);
    for (size_t at = 0; at < c.text.size(); at += 333) {
      digest.Add(c.text.data() + at, std::min<size_t>(333, c.text.size() - at));
    }
    EXPECT_EQ(digest.Hex(), c.hex) << "in pieces";
  }
}

TEST(Sha256Test, FileDigestAndLength) {
  TempDir dir;
  std::string name = dir.Path("log.txt");
  dir.Write("log.txt", "abc");
  std::string hex;
  uint64_t bytes = 0;
  ASSERT_TRUE(FileSha256(name, hex, bytes));
  EXPECT_EQ(bytes, 3u);
  EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(FileSha256(dir.Path("none.txt"), hex, bytes));
  EXPECT_FALSE(FileSha256(dir.path(), hex, bytes));
}
