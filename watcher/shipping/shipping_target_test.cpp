#include "watcher/shipping/shipping_target.hpp"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.hpp"

namespace {

TEST(ShipUrlTest, WriteUrlsTakenOthersRefused) {
  struct Case {
    std::string url;
    std::string write_url;  // empty: refused
    std::string complaint;  // part of the message when refused
  };
  const Case cases[] = {
      {"http://db:8086/write?db=lab", "http://db:8086/write?db=lab&precision=ms", ""},
      {"https://db/api/v2/write?org=o&bucket=b",
       "https://db/api/v2/write?org=o&bucket=b&precision=ms", ""},
      {"http://vm:8480/insert/0/influx/write?db=lab",
       "http://vm:8480/insert/0/influx/write?db=lab&precision=ms", ""},
      {"http://admin:pw@db:8086/write?db=lab", "", "--token-file"},
      {"http://admin@db:8086/write?db=lab", "", "--token-file"},
      {"http://db:8086/write?db=lab&u=admin&p=pw", "", "--token-file"},
      {"http://db:8086/write?db=lab&precision=s", "", "precision"},
      {"http://db:8086/write", "", "db="},
      {"http://db:8086/write?db=", "", "db="},
      {"http://db:8086/api/v2/write?org=o", "", "bucket="},
      {"http://db:8086/api/v2/write?org=o&bucket=&x=1", "", "bucket="},
      {"http://db:8086/query?db=lab", "", "no write URL"},
      {"ftp://db/write?db=lab", "", "http"},
      {"http:///write?db=lab", "", "no server"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    ShipTarget target;
    std::string error;
    bool taken = CheckShipUrl(c.url, target, error);
    EXPECT_EQ(taken, !c.write_url.empty());
    if (taken) {
      EXPECT_EQ(target.write_url, c.write_url);
    } else {
      EXPECT_NE(error.find(c.complaint), std::string::npos) << error;
    }
    EXPECT_EQ(error.find("pw"), std::string::npos) << error;
  }
}

TEST(CredentialsTest, TokenOrBasicFromFileOrEnvironment) {
  TempDir dir;
  struct Case {
    const char* file_text;  // nullptr: no --token-file
    std::optional<std::string> environment;
    std::string authorization;  // "!" : refused
    std::string source;
  };
  const Case cases[] = {
      {"abc123==\r\nsecond line\n", std::nullopt, "Token abc123==", "token file "},
      {"admin:pa ss\n", "other", "Basic YWRtaW46cGEgc3M=", "token file "},
      {nullptr, "u:p", "Basic dTpw", "BRENWATCH_TOKEN"},
      {nullptr, std::nullopt, "", "no credentials"},
      {"\n", std::nullopt, "!", ""},
  };
  for (const Case& c : cases) {
    ShipTarget target;
    std::string error;
    std::string file = c.file_text ? dir.Write("token", c.file_text) : "";
    bool read = ReadCredentials(file, c.environment, target, error);
    EXPECT_EQ(read, c.authorization != "!") << error;
    if (!read) continue;
    EXPECT_EQ(target.authorization, c.authorization);
    EXPECT_EQ(target.credential_source.find(c.source), 0u) << target.credential_source;
  }
  ShipTarget target;
  std::string error;
  EXPECT_FALSE(ReadCredentials(dir.Path("missing"), std::nullopt, target, error));
  EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(Base64Test, PaddingOfEachLength) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("foob"), "Zm9vYg==");
}

}  // namespace
