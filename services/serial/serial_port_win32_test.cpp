// Every overlapped transfer has a bound: one the other side never takes is
// cancelled when its time is up, and the caller goes on.
#include "services/serial/serial_port_win32.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

namespace {

TEST(Win32Transfer, AWriteNobodyTakesIsCancelledAtItsBound) {
  const char* name = "\\\\.\\pipe\\brenmark-transfer-test";
  HANDLE server = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16,
                                   0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  HANDLE client =
      CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(client, INVALID_HANDLE_VALUE);
  // Far more than the pipe holds, and the server never reads.
  std::string data(1 << 20, 'x');
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD moved = 0;
  BOOL done = WriteFile(client, data.data(), static_cast<DWORD>(data.size()), &moved, &overlapped);
  ASSERT_FALSE(done);
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
  bool abandoned = true;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(FinishTransfer(client, overlapped, 100, moved, abandoned));
  EXPECT_FALSE(abandoned);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_LT(moved, data.size());
  CloseHandle(overlapped.hEvent);
  CloseHandle(client);
  CloseHandle(server);
}

}  // namespace
