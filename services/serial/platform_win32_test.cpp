// What the Windows build adds beneath the shared headers: the serial line
// settings, text-mode input and the directory search's hidden entries.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "services/exit/error_numbers.hpp"
#include "services/files/files.hpp"
#include "services/files/line_stream.hpp"
#include "services/files/ordinary_file.hpp"
#include "services/process/program_start.hpp"
#include "services/serial/line_settings_win32.hpp"
#include "services/serial/port_spec.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

TEST(Win32LineSettings, PortStringsBecomeDcbMembers) {
  PortOptions options;
  ASSERT_EQ(ParsePortSpec("COM3:4800,M,5,1.5,CS0,DS0,RS,PE,LF", options), kNoError);
  DCB dcb{};
  dcb.fOutX = dcb.fInX = dcb.fNull = dcb.fAbortOnError = dcb.fOutxDsrFlow = TRUE;
  dcb.XonChar = 17;
  ApplyLineSettings(options, dcb);
  EXPECT_EQ(dcb.BaudRate, 4800u);
  EXPECT_EQ(dcb.ByteSize, 5);
  EXPECT_EQ(dcb.Parity, MARKPARITY);
  EXPECT_EQ(dcb.StopBits, ONE5STOPBITS);
  EXPECT_FALSE(dcb.fOutxCtsFlow);
  EXPECT_FALSE(dcb.fDsrSensitivity);
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
  EXPECT_TRUE(dcb.fParity);
  EXPECT_FALSE(dcb.fBinary);
  EXPECT_FALSE(dcb.fOutX || dcb.fInX || dcb.fNull || dcb.fAbortOnError || dcb.fOutxDsrFlow);
  EXPECT_EQ(dcb.XonChar, 17) << "members the string does not decide stay";

  PortOptions defaults;
  ASSERT_EQ(ParsePortSpec("COM1:", defaults), kNoError);
  ApplyLineSettings(defaults, dcb);
  EXPECT_EQ(dcb.Parity, EVENPARITY);
  EXPECT_TRUE(dcb.fOutxCtsFlow);
  EXPECT_TRUE(dcb.fDsrSensitivity);
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
}

TEST(Win32LineSettings, TimeoutsQueuesAndDeviceNames) {
  PortOptions options;
  ASSERT_EQ(ParsePortSpec("COM1:9600,N,8,1,CS250", options), kNoError);
  COMMTIMEOUTS t{5, 6, 7, 8, 9};
  ApplyTimeouts(options, t);
  EXPECT_EQ(t.ReadIntervalTimeout, 250u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier + t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 8u);

  EXPECT_EQ(QueueSize(0, 4096, 8192), 4096u);
  EXPECT_EQ(QueueSize(0, 0, 8192), 8192u);
  EXPECT_EQ(QueueSize(0, 0, 0), 16384u);
  EXPECT_EQ(QueueSize(1024, 4096, 8192), 1024u);

  EXPECT_EQ(ComDevicePath(0), "COM1:");
  EXPECT_EQ(ComDevicePath(3), "COM3");
  EXPECT_EQ(ComDevicePath(12), "\\\\.\\COM12");
}

TEST(Win32TextMode, ByteTwentySixEndsInputFiles) {
  TempDir dir;
  std::string name = dir.Write("in.txt",
                               "a\r\nb\x1a"
                               "c\r\nd\r\n");
  ASSERT_EQ(OpenFile(7, name, OpenMode::kInput), kNoError);
  std::string line;
  LineInput(7, line);
  EXPECT_EQ(line, "a");
  LineInput(7, line);
  EXPECT_EQ(line, "b");
  EXPECT_EQ(EndOfFile(7), -1);
  LineInput(7, line);
  EXPECT_EQ(line, "");
  CloseFile(7);

  LineReader reader(16);
  ASSERT_EQ(reader.Open(name), kNoError);
  std::string_view view;
  ASSERT_TRUE(reader.Next(view));
  EXPECT_EQ(view, "a");
  ASSERT_TRUE(reader.Next(view));
  EXPECT_EQ(view, "b");
  EXPECT_FALSE(reader.Next(view));
}

TEST(Win32DirectorySearch, HiddenAndSystemEntriesDoNotCount) {
  TempDir dir;
  struct {
    const char* name;
    DWORD attributes;
    bool counts;
  } cases[] = {{"plain.txt", FILE_ATTRIBUTE_NORMAL, true},
               {"readonly.txt", FILE_ATTRIBUTE_READONLY, true},
               {"hidden.txt", FILE_ATTRIBUTE_HIDDEN, false},
               {"system.txt", FILE_ATTRIBUTE_SYSTEM, false}};
  for (const auto& c : cases) {
    std::string path = dir.Write(c.name, "x");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.attributes)) << c.name;
    EXPECT_EQ(IsOrdinaryFile(path), c.counts) << c.name;
    // Read-only files cannot be removed with the directory.
    if (c.attributes == FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), 0);
  }
  EXPECT_TRUE(IsOrdinaryFile(dir.path() + "/p*.txt"));
  EXPECT_FALSE(IsOrdinaryFile(dir.path() + "/h*.txt"));
  EXPECT_FALSE(IsOrdinaryFile(dir.path()));
}

TEST(Win32Files, DeleteNumbersAndOneFileUnderTwoSpellings) {
  TempDir dir;
  std::string name = dir.Write("Data.txt", "x");
  EXPECT_TRUE(SameFile(name, dir.path() + "/sub/../DATA.TXT"));
  EXPECT_FALSE(SameFile(name, dir.Write("other.txt", "x")));
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(DeleteFileNamed(name), kFileIoError);
  SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(DeleteFileNamed(name), kNoError);
  EXPECT_EQ(DeleteFileNamed(name), kFileNotFound);
}

}  // namespace
