#include "services/files/files.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "services/exit/error_numbers.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

// Every line input of a file until the end test is true (bounded).
std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  EXPECT_EQ(OpenFile(1, path, OpenMode::kInput), 0);
  std::string line;
  for (int guard = 0; guard < 100 && !EndOfFile(1); ++guard) {
    EXPECT_EQ(LineInput(1, line), 0);
    lines.push_back(line);
  }
  EXPECT_EQ(CloseFile(1), 0);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineInput, LineEnds) {
  struct Case {
    std::string content;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"last line without end", {"last line without end"}},
      {"a\rb\n", {"a\rb"}},
      {"a\r", {"a"}},
      {"a\r\r", {"a\r"}},
      {"a\n\r", {"a", ""}},
      {"\n\n", {"", ""}},
      {"\r\n", {""}},
      {"x\r\r\ny", {"x\r", "y"}},
      {std::string("nul\0inside\n", 11), {std::string("nul\0inside", 10)}},
      {"\x1a stays\n\xff\x80\n", {"\x1a stays", "\xff\x80"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    std::string path = dir.Write("in.txt", c.content);
    EXPECT_EQ(ReadLines(path), c.lines) << '"' << c.content << '"';
  }
}

TEST(LineInput, AtTheEndGivesEmptyTextAndZero) {
  TempDir dir;
  std::string path = dir.Write("in.txt", "only\n");
  ASSERT_EQ(OpenFile(4, path, OpenMode::kInput), 0);
  std::string line = "old";
  EXPECT_EQ(EndOfFile(4), 0);
  EXPECT_EQ(LineInput(4, line), 0);
  EXPECT_EQ(line, "only");
  EXPECT_EQ(EndOfFile(4), -1);
  line = "old";
  EXPECT_EQ(LineInput(4, line), 0);
  EXPECT_EQ(line, "");
  EXPECT_EQ(LineInput(4, line), 0);
  EXPECT_EQ(EndOfFile(4), -1);
  EXPECT_EQ(CloseFile(4), 0);
}

TEST(LineInput, LongLinesAndBlockBoundaries) {
  TempDir dir;
  std::string mega(1 << 20, 'x');
  mega[12345] = '\r';  // a CR inside a line stays
  std::string path = dir.Write("big.txt", mega + "\r\nshort\r\n" + mega);
  EXPECT_EQ(ReadLines(path), (Lines{mega, "short", mega}));

  // CR LF split across the 64 KiB read blocks.
  std::string first(65535, 'a');
  path = dir.Write("split.txt", first + "\r\nb\r\n");
  EXPECT_EQ(ReadLines(path), (Lines{first, "b"}));
  std::string line1000(1000, 'z');
  path = dir.Write("k.txt", line1000 + "\r\n");
  EXPECT_EQ(ReadLines(path), (Lines{line1000}));
}

TEST(LineInput, EndTestUsesTheSizeAtOpen) {
  TempDir dir;
  std::string path = dir.Write("grow.txt", "one\n");
  ASSERT_EQ(OpenFile(2, path, OpenMode::kInput), 0);
  ASSERT_EQ(OpenFile(3, path, OpenMode::kAppend), 0);
  ASSERT_EQ(PrintFileLine(3, "two"), 0);
  ASSERT_EQ(CloseFile(3), 0);
  std::string line;
  EXPECT_EQ(LineInput(2, line), 0);
  EXPECT_EQ(line, "one");
  EXPECT_EQ(EndOfFile(2), -1);
  EXPECT_EQ(CloseFile(2), 0);
}

TEST(NumberedFiles, ErrorNumbers) {
  TempDir dir;
  std::string path = dir.Write("f.txt", "x\n");
  std::string line = "old";
  // Numbers out of range, used, or not open.
  EXPECT_EQ(OpenFile(0, path, OpenMode::kInput), 1);
  EXPECT_EQ(OpenFile(256, path, OpenMode::kInput), 1);
  EXPECT_EQ(OpenFile(-1, path, OpenMode::kInput), 1);
  EXPECT_EQ(LastError(), 1);
  EXPECT_EQ(CloseFile(9), 1);
  EXPECT_EQ(CloseFile(0), 1);
  EXPECT_EQ(LineInput(9, line), 1);
  EXPECT_EQ(line, "");
  EXPECT_EQ(PrintFileLine(9, "x"), 1);
  EXPECT_EQ(PrintFileText(9, "x"), 1);
  EXPECT_EQ(FlushFile(9), 1);
  EXPECT_EQ(EndOfFile(9), -1);
  EXPECT_EQ(EndOfFile(300), -1);
  ASSERT_EQ(OpenFile(255, path, OpenMode::kInput), 0);
  EXPECT_EQ(LastError(), 0);
  EXPECT_EQ(OpenFile(255, path, OpenMode::kInput), 1);
  EXPECT_EQ(OpenFile(255, dir.Path("other"), OpenMode::kOutput), 1);
  EXPECT_FALSE(FileExists(dir.Path("other"))) << "a used number must not create the file";
  // Wrong direction.
  EXPECT_EQ(PrintFileLine(255, "x"), 1);
  EXPECT_EQ(CloseFile(255), 0);
  EXPECT_EQ(CloseFile(255), 1);

  // Every refused open gives 2.
  std::string locked = dir.Write("locked.txt", "x");
  chmod(locked.c_str(), 0);
  bool root = geteuid() == 0;
  struct Case {
    std::string name;
    OpenMode mode;
  };
  std::vector<Case> refused = {
      {dir.Path("missing.txt"), OpenMode::kInput},
      {dir.Path("no/such/dir.txt"), OpenMode::kOutput},
      {dir.Path("no/such/dir.txt"), OpenMode::kAppend},
      {dir.Path("no/such/dir.txt"), OpenMode::kRandom},
      {dir.path(), OpenMode::kInput},
      {dir.path(), OpenMode::kOutput},
      {dir.path(), OpenMode::kAppend},
      {"", OpenMode::kInput},
      {std::string("f.txt\0x", 7), OpenMode::kOutput},
  };
  if (!root) {
    refused.push_back({locked, OpenMode::kInput});
    refused.push_back({locked, OpenMode::kOutput});
    refused.push_back({locked, OpenMode::kAppend});
  }
  for (const Case& c : refused) {
    EXPECT_EQ(OpenFile(5, c.name, c.mode), 2) << c.name;
    EXPECT_EQ(LastError(), 2);
    EXPECT_EQ(ChannelAt(5), nullptr);
  }
}

TEST(NumberedFiles, OutputAppendAndRandom) {
  TempDir dir;
  std::string path = dir.Write("out.txt", "previous\r\n");
  ASSERT_EQ(OpenFile(7, path, OpenMode::kOutput), 0);
  EXPECT_EQ(ReadWholeFile(path), "") << "output starts empty";
  EXPECT_EQ(PrintFileLine(7, "line"), 0);
  EXPECT_EQ(PrintFileText(7, "text"), 0);
  EXPECT_EQ(PrintFileLine(7, ""), 0);
  EXPECT_EQ(EndOfFile(7), 0);
  EXPECT_EQ(ReadWholeFile(path), "") << "held in the buffer until a flush";
  EXPECT_EQ(FlushFile(7), 0);
  EXPECT_EQ(ReadWholeFile(path), "line\r\ntext\r\n");
  EXPECT_EQ(CloseFile(7), 0);

  ASSERT_EQ(OpenFile(7, path, OpenMode::kAppend), 0);
  EXPECT_EQ(PrintFileLine(7, "more"), 0);
  EXPECT_EQ(EndOfFile(7), 0);
  EXPECT_EQ(CloseFile(7), 0);
  EXPECT_EQ(ReadWholeFile(path), "line\r\ntext\r\nmore\r\n");

  std::string created = dir.Path("new.log");
  ASSERT_EQ(OpenFile(7, created, OpenMode::kAppend), 0);
  EXPECT_EQ(CloseFile(7), 0);
  EXPECT_TRUE(FileExists(created));

  // Read-write: created when missing, kept when present.
  std::string both = dir.Path("rw.dat");
  ASSERT_EQ(OpenFile(8, both, OpenMode::kBinary), 0);
  EXPECT_EQ(PrintFileLine(8, "a"), 0);
  EXPECT_EQ(CloseFile(8), 0);
  ASSERT_EQ(OpenFile(8, both, OpenMode::kRandom), 0);
  std::string line;
  EXPECT_EQ(LineInput(8, line), 0);
  EXPECT_EQ(line, "a");
  EXPECT_EQ(PrintFileLine(8, "b"), 0);
  EXPECT_EQ(CloseFile(8), 0);
  EXPECT_EQ(ReadWholeFile(both), "a\r\nb\r\n");
}

TEST(NumberedFiles, BytesPassUnchangedInLargeAmounts) {
  TempDir dir;
  std::string path = dir.Path("big.txt");
  std::string expected;
  ASSERT_EQ(OpenFile(9, path, OpenMode::kOutput), 0);
  for (int i = 0; i < 3000; ++i) {
    std::string text = std::to_string(i) + std::string(static_cast<size_t>(i % 97), '\x1a');
    ASSERT_EQ(PrintFileLine(9, text), 0);
    expected += text + "\r\n";
  }
  std::string block(20000, '\0');
  ASSERT_EQ(PrintFileText(9, block), 0);
  expected += block;
  ASSERT_EQ(CloseFile(9), 0);
  EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(NumberedFiles, WriteFailureIsNeverReportedAsSuccess) {
  ASSERT_EQ(OpenFile(10, "/dev/full", OpenMode::kOutput), 0);
  EXPECT_EQ(PrintFileLine(10, "small"), 0) << "still in the buffer";
  EXPECT_EQ(FlushFile(10), 3);
  EXPECT_EQ(LastError(), 3);
  EXPECT_EQ(PrintFileLine(10, "more"), 3);
  EXPECT_EQ(FlushFile(10), 3);
  EXPECT_EQ(CloseFile(10), 0) << "every loss was reported when it happened";
  EXPECT_EQ(ChannelAt(10), nullptr);

  ASSERT_EQ(OpenFile(10, "/dev/full", OpenMode::kAppend), 0);
  EXPECT_EQ(CloseFile(10), 0) << "nothing was written, nothing was lost";
  ASSERT_EQ(OpenFile(10, "/dev/full", OpenMode::kAppend), 0);
  EXPECT_EQ(PrintFileText(10, std::string(9000, 'x')), 3) << "too big for the buffer";
  EXPECT_EQ(PrintFileLine(10, "after"), 3) << "the failure sticks";
  EXPECT_EQ(CloseFile(10), 3) << "the line after it is lost at the close";
  EXPECT_EQ(ChannelAt(10), nullptr) << "the number is free after a failed close";

  ASSERT_EQ(OpenFile(10, "/dev/full", OpenMode::kOutput), 0);
  EXPECT_EQ(PrintFileLine(10, "pending"), 0);
  EXPECT_EQ(CloseFile(10), 3);
}

// A file size limit stands in for a full disk: the write that crosses it is
// cut short, the next one fails.
TEST(NumberedFiles, AWriteThatFailsHalfwayIsTakenBack) {
  struct Case {
    const char* name;
    OpenMode mode;
    rlim_t limit;
    std::vector<std::string> records;  // each written and flushed
    std::string file;                  // afterwards, starting from "old\r\n"
  };
  const std::string big(9000, 'x');
  const Case cases[] = {
      {"append",
       OpenMode::kAppend,
       20,
       {"abcdefghij\r\n", "klmnopqrst\r\n"},
       "old\r\nabcdefghij\r\n"},
      {"append past the buffer", OpenMode::kAppend, 8000, {"abc\r\n", big}, "old\r\nabc\r\n"},
      {"output goes on where it was cut",
       OpenMode::kOutput,
       20,
       {"abcdefghij\r\n", "klmnopqrst\r\n", "ab\r\n"},
       "abcdefghij\r\nab\r\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::string path = dir.Write("log.txt", "old\r\n");
    pid_t pid = fork();
    if (pid == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{c.limit, c.limit};
      setrlimit(RLIMIT_FSIZE, &limit);
      OpenFile(3, path, c.mode);
      for (const std::string& record : c.records) {
        PrintFileText(3, record);
        FlushFile(3);
      }
      CloseFile(3);
      _exit(0);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0) << c.name;
    std::string file = ReadWholeFile(path);
    EXPECT_TRUE(file == c.file) << c.name << ": " << file.size() << " bytes, ends "
                                << file.substr(file.size() < 20 ? 0 : file.size() - 20);
  }
}

TEST(NumberedFiles, BackslashesBecomeSlashes) {
  EXPECT_EQ(NativeFileName("C:\\logs\\x.txt"), "C:/logs/x.txt");
  EXPECT_EQ(NativeFileName("plain/name"), "plain/name");
  EXPECT_EQ(NativeFileName(""), "");
  TempDir dir;
  dir.Write("sub.txt", "");
  mkdir(dir.Path("d").c_str(), 0755);
  std::string windows_name = dir.path() + "\\d\\w.txt";
  ASSERT_EQ(OpenFile(11, windows_name, OpenMode::kOutput), 0);
  EXPECT_EQ(CloseFile(11), 0);
  EXPECT_TRUE(FileExists(dir.Path("d/w.txt")));
}

class CountingChannel : public Channel {
 public:
  explicit CountingChannel(int* closes) : closes_(closes) {}
  int Close() override {
    ++*closes_;
    return 0;
  }

 private:
  int* closes_;
};

TEST(NumberedFiles, InstalledChannelsAndCloseAll) {
  int closes = 0;
  EXPECT_EQ(InstallChannel(2, std::make_unique<CountingChannel>(&closes)), 0);
  EXPECT_EQ(InstallChannel(2, std::make_unique<CountingChannel>(&closes)), 1);
  EXPECT_EQ(InstallChannel(0, std::make_unique<CountingChannel>(&closes)), 1);
  EXPECT_EQ(InstallChannel(3, nullptr), 1);
  EXPECT_EQ(InstallChannel(200, std::make_unique<CountingChannel>(&closes)), 0);
  ASSERT_NE(ChannelAt(2), nullptr);
  std::string line = "x";
  EXPECT_EQ(LineInput(2, line), 1) << "a channel without line input";
  EXPECT_EQ(PrintFileText(2, "x"), 1);
  SetLastError(17);
  CloseAllFiles();
  EXPECT_EQ(closes, 2);
  EXPECT_EQ(ChannelAt(2), nullptr);
  EXPECT_EQ(ChannelAt(200), nullptr);
  EXPECT_EQ(LastError(), 17) << "closing at the end leaves the last error alone";
  CloseAllFiles();
  EXPECT_EQ(closes, 2);
}

}  // namespace
