#include "services/files/ordinary_file.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "tests/support/temp_dir.hpp"

namespace {

class OrdinaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("plain.ini", "x");
    dir_.Write(".hidden", "x");
    dir_.Write("read-only.txt", "x");
    chmod(dir_.Path("read-only.txt").c_str(), 0444);
    dir_.Write("log[1].txt", "x");
    mkdir(dir_.Path("sub").c_str(), 0755);
    mkdir(dir_.Path("only-dirs").c_str(), 0755);
    mkdir(dir_.Path("only-dirs/a.d").c_str(), 0755);
    mkdir(dir_.Path("dots").c_str(), 0755);
    dir_.Write("dots/.only", "x");
    mkfifo(dir_.Path("fifo").c_str(), 0644);
    symlink(dir_.Path("plain.ini").c_str(), dir_.Path("to-file").c_str());
    symlink(dir_.Path("sub").c_str(), dir_.Path("to-dir").c_str());
    symlink(dir_.Path("nowhere").c_str(), dir_.Path("dangling").c_str());
    MakeSocket(dir_.Path("sock"));
  }
  void TearDown() override {
    if (socket_fd_ >= 0) close(socket_fd_);
  }

  void MakeSocket(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    socket_fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    bind(socket_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }

  TempDir dir_;
  int socket_fd_ = -1;
};

TEST_F(OrdinaryFileTest, WhatCounts) {
  const std::pair<std::string, bool> cases[] = {
      {"plain.ini", true},
      {".hidden", true},
      {"read-only.txt", true},
      {"to-file", true},
      {"log[1].txt", true},
      {"sub", false},
      {"fifo", false},
      {"to-dir", false},
      {"dangling", false},
      {"sock", false},
      {"missing.ini", false},
      {"plain.ini/", false},
      // Wildcards.
      {"*.ini", true},
      {"p?ain.ini", true},
      {"*.INI", false},
      {"only-dirs/*", false},
      {"dots/*", true},
      {"sub/*", false},
      {"s*", false},  // sub and sock only
      {"*ead-only*", true},
      {"[p]lain.ini", true},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(IsOrdinaryFile(dir_.Path(name)), expected) << name;
  }
}

TEST_F(OrdinaryFileTest, NamesAndDevices) {
  std::string windows_name = dir_.path() + "\\plain.ini";
  EXPECT_TRUE(IsOrdinaryFile(windows_name));
  EXPECT_FALSE(IsOrdinaryFile(""));
  EXPECT_FALSE(IsOrdinaryFile(std::string(dir_.Path("plain.ini")) + std::string("\0x", 2)));
  EXPECT_FALSE(IsOrdinaryFile("/dev/null"));
  EXPECT_FALSE(IsOrdinaryFile("/dev/stdout"));
  EXPECT_FALSE(IsOrdinaryFile("/dev/nu*"));
  EXPECT_FALSE(IsOrdinaryFile("/"));
}

}  // namespace
