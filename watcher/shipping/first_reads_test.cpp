#include "watcher/shipping/first_reads.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "tests/support/temp_dir.hpp"

namespace {

constexpr uint64_t kMost = FirstReads::kMostUnwritten;

// Every step covers the offsets first..last of one file; a noted reading's
// millisecond is base + offset.
struct Step {
  char op;  // n note, s ahead starts, a note ahead, z ahead at the end, f flush, r restart,
            // t take (noted), m take (not noted), g spool gone, c spool lines (first),
            // h the last taken held (first 1) or not (0),
            // d make the spool's folder, b a broken last line
  uint64_t identity = 7, first = 0, last = 0;
  int64_t base = 1000;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
  bool folder = true;
  int said = 0;
};

// clang-format off
const Case kCases[] = {
    {"far more than a day of readings, across a restart",
     {{'n', 7, 1, 250000}, {'f'}, {'r'}, {'t', 7, 1, 250000}, {'g'}}},
    {"a restart after most were taken keeps the rest and the batch in flight",
     {{'n', 7, 1, 30000}, {'f'}, {'t', 7, 1, 29000}, {'r'}, {'t', 7, 28001, 30000}, {'g'},
      {'h', 7, 0}}},
    {"stale front passed, the first of duplicates wins",
     {{'n', 7, 1, 100}, {'n', 7, 50, 150, 5000}, {'f'}, {'t', 7, 60, 100}, {'t', 7, 101, 150, 5000},
      {'g'}}},
    {"readings not noted consume nothing",
     {{'n', 7, 10, 20}, {'n', 7, 31, 40}, {'f'}, {'m', 8, 1, 5}, {'m', 7, 1, 9}, {'t', 7, 10, 20},
      {'m', 7, 21, 30}, {'t', 7, 31, 40}, {'g'}}},
    {"readings of a file not noted cost no scan each",
     {{'n', 7, 1, 100000}, {'f'}, {'r'}, {'m', 9, 1, 200000}, {'t', 7, 1, 100000}, {'g'}}},
    {"a second outage does not note again what the spool holds",
     {{'s'}, {'a', 7, 1, 50}, {'f'}, {'t', 7, 1, 20}, {'h', 7, 1}, {'s'}, {'a', 7, 21, 80, 2000},
      {'f'}, {'c', 7, 50 + 30}, {'r'}, {'t', 7, 21, 50}, {'t', 7, 51, 80, 2000}, {'g'}}},
    {"after a restart too",
     {{'s'}, {'a', 7, 1, 50}, {'f'}, {'r'}, {'s'}, {'a', 7, 1, 60, 2000}, {'f'}, {'c', 7, 60},
      {'t', 7, 1, 50}, {'t', 7, 51, 60, 2000}, {'g'}}},
    {"the last noted never met (log replaced): noting resumes at the logs' end",
     {{'s'}, {'a', 7, 1, 50}, {'f'}, {'t', 7, 1, 20}, {'s'}, {'a', 8, 1, 10, 2000}, {'z'},
      {'a', 8, 11, 20, 3000}, {'f'}, {'r'}, {'m', 8, 1, 10}, {'t', 8, 11, 20, 3000}, {'g'}}},
    {"a broken last line left by a kill",
     {{'n', 7, 1, 10}, {'f'}, {'b'}, {'r'}, {'n', 7, 30, 40}, {'f'}, {'r'}, {'t', 7, 1, 10},
      {'m', 7, 20, 20}, {'t', 7, 30, 40}, {'g'}}},
    {"an unwritable spool keeps what it could not write",
     {{'n', 7, 1, 10}, {'f'}, {'t', 7, 1, 3}, {'d'}, {'f'}, {'r'}, {'t', 7, 4, 10}, {'g'}}, false},
    {"past what is kept unwritten, one line says so",
     {{'n', 7, 1, kMost + 100}, {'f'}, {'d'}, {'f'}, {'r'}, {'t', 7, 1, kMost},
      {'m', 7, kMost + 1, kMost + 100}, {'g'}}, false, 1},
};
// clang-format on

size_t Lines(const std::string& path) {
  std::string text = ReadWholeFile(path);
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(FirstReadsTest, NotedTimesAreTakenOnceInOrder) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string folder = dir.Path("d");
    if (c.folder) std::filesystem::create_directory(folder);
    std::string spool = folder + "/s.spool";
    int said = 0;
    std::unique_ptr<FirstReads> reads;
    auto start = [&] {
      reads.reset();
      reads = std::make_unique<FirstReads>(spool, [&](const std::string&) { ++said; });
    };
    start();
    for (const Step& s : c.steps) {
      for (uint64_t offset = s.first; offset <= s.last && offset > 0; ++offset) {
        int64_t noted = s.base + static_cast<int64_t>(offset);
        if (s.op == 'n') reads->Note(s.identity, offset, noted);
        if (s.op == 'a') reads->NoteAhead(s.identity, offset, noted);
        // As often as the shipper does.
        if ((s.op == 'n' || s.op == 'a') && offset % 10000 == 0) reads->Flush();
        if (s.op == 't') {
          ASSERT_EQ(reads->Take(s.identity, offset, -1), noted) << offset;
        } else if (s.op == 'm') {
          ASSERT_EQ(reads->Take(s.identity, offset, -1), -1) << offset;
        }
      }
      if (s.op == 's') reads->StartAhead();
      if (s.op == 'z') reads->AheadAtEnd();
      if (s.op == 'f') reads->Flush();
      if (s.op == 'r') start();
      if (s.op == 'd') std::filesystem::create_directory(folder);
      if (s.op == 'b') std::ofstream(spool, std::ios::binary | std::ios::app) << "7 20 20";
      if (s.op == 'g') {
        EXPECT_FALSE(FileExists(spool));
      } else if (s.op == 'c') {
        EXPECT_EQ(Lines(spool), s.first);
      } else if (s.op == 'h') {
        EXPECT_EQ(reads->HoldsTaken(), s.first == 1);
      }
    }
    EXPECT_EQ(said, c.said);
  }
}

}  // namespace
