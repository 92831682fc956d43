// The state file as a restarted brenwatch meets it: on the disk before it
// replaces the old one, and never read as a position it does not hold.
#include <gtest/gtest.h>

#include <cstring>

#include "services/files/descriptor.hpp"
#include "tests/support/temp_dir.hpp"
#include "watcher/shipping/shipping_state.hpp"

namespace {

ShipState Sample() {
  ShipState state;
  state.position = {"Therm0003.txt", 4711, 123456};
  state.memory.last_local = 1796792400;
  state.memory.highest = 1796788800002;
  state.memory.used = {{1796788000, 1796788799, 1}, {1796788800, 1796788800, 3}};
  return state;
}

// Renamed into place unsynced, a crash could leave an empty state file.
TEST(ShipStateFileTest, SyncedBeforeItTakesTheOldOnesPlace) {
  TempDir dir;
  std::string error;
  uint64_t before = SyncDescriptorCalls();
  ASSERT_TRUE(SaveShipState(dir.Path("s.brenwatch-state"), Sample(), error)) << error;
  EXPECT_GT(SyncDescriptorCalls(), before);
  ShipState loaded;
  ASSERT_EQ(LoadShipState(dir.Path("s.brenwatch-state"), loaded, error), StateLoad::kLoaded);
  EXPECT_EQ(loaded, Sample());
}

// A state that lost the line of its file or offset is damaged: read as
// offset 0 it would ship every reading again.
TEST(ShipStateFileTest, ALostLineIsDamageNotTheStart) {
  TempDir dir;
  std::string path = dir.Path("s.brenwatch-state"), error;
  ASSERT_TRUE(SaveShipState(path, Sample(), error)) << error;
  const std::string whole = ReadWholeFile(path);
  for (const char* lost :
       {"brenwatch shipping state 1\n", "file Therm0003.txt\n", "offset 123456\n"}) {
    SCOPED_TRACE(lost);
    size_t at = whole.find(lost);
    ASSERT_NE(at, std::string::npos) << whole;
    dir.Write("s.brenwatch-state", whole.substr(0, at) + whole.substr(at + strlen(lost)));
    ShipState loaded;
    EXPECT_EQ(LoadShipState(path, loaded, error), StateLoad::kBroken);
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  }
}

// A state of the brenwatch before knows less of the seconds it used: every
// second up to its last point counts as used as far as any went, so a stamp
// that goes back after the upgrade cannot take a millisecond given before.
TEST(ShipStateFileTest, AnOlderStateCoversEverySecondItMayHaveUsed) {
  struct Case {
    const char* lines;
    std::vector<UsedSeconds> used;
    int64_t highest;
  };
  const Case cases[] = {
      {"millisecond 5002\nhighest 7001\nceiling 4\n", {{-62135596800, 7, 4}}, 7001},
      {"millisecond 5002\n", {{-62135596800, 5, 3}}, 5002},
      {"millisecond -\nhighest -\nceiling 0\n", {}, StampMemory::kNone},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    dir.Write("old", std::string("brenwatch shipping state 1\nfile T.txt\nidentity 9\noffset 40\n") +
                         c.lines);
    ShipState loaded;
    std::string error;
    ASSERT_EQ(LoadShipState(dir.Path("old"), loaded, error), StateLoad::kLoaded) << error;
    EXPECT_EQ(loaded.memory.used, c.used);
    EXPECT_EQ(loaded.memory.highest, c.highest);
  }
}

}  // namespace
