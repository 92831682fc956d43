#pragma once
// The shipping position, kept in a small text file that is replaced whole
// (written beside it, flushed to the disk, renamed over it), so a brenwatch
// killed at any moment finds either the old position or the new one.
#include <cstdint>
#include <string>
#include <string_view>

#include "watcher/log_position.hpp"
#include "watcher/shipping/shipping_points.hpp"

// Where shipping stands in the logs: the follower's position.
using ShipPosition = LogPosition;

struct ShipState {
  ShipPosition position;
  StampMemory memory;
  bool operator==(const ShipState&) const = default;
};

enum class StateLoad { kLoaded, kMissing, kBroken };

// kBroken with a message when the file exists but is no state file of ours.
StateLoad LoadShipState(const std::string& path, ShipState& state, std::string& error);
// False with a message when the new state could not be put in place.
bool SaveShipState(const std::string& path, const ShipState& state, std::string& error);

// Refused lines with the server's message before them as a comment line,
// so the file can be posted again once mended. Flushed per call.
bool AppendRejected(const std::string& path, std::string_view message, std::string_view lines,
                    std::string& error);
