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
  state.memory.last_second = 1796788800;
  state.memory.last_millisecond = 1796788800002;
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

}  // namespace
