// The upgrade after the guards, on whichever thread runs it: put right
// what an interrupted upgrade left, list the archive, judge the room,
// unpack into staging, swap, remove the old set. Questions go through Ask
// and stages to the wait window; what to say at the end is the caller's.
#pragma once
#include <cstdint>
#include <string>

namespace app {

struct UpgradeResult {
  int32_t exitCode = 0;
  // Refused: the drive is as it was, and the tool's window comes back.
  bool refused = false;
  uint32_t title = 0;  // title constant of the closing box; 0: none
  std::string text;
  uint32_t icon = 0;
};

UpgradeResult RunUpgrade(const std::string& target);

}  // namespace app
