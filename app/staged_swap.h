// The staged swap: the new tool set is unpacked beside the old one, the
// old one is moved aside, the new one moved into its place, and only then
// is the old one deleted. Every step is a rename on the same drive, so an
// upgrade cut off at any moment leaves a whole set under one of these
// names, which the next upgrade puts right first.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace app {

struct SwapFolders {
  explicit SwapFolders(const std::string& target);
  std::string toolSet;   // T\ZEDOVAV
  std::string staging;   // T\ZEDOVAV.upgrade-new: the archiver unpacks here
  std::string unpacked;  // staging\ZEDOVAV
  std::string aside;     // T\ZEDOVAV.upgrade-old: the old set until the new one is in place
  std::string doomed;    // T\ZEDOVAV.upgrade-del: the old set given up to make room
};

// ZEDOVAV and the upgrade's own folders beside it.
std::vector<std::string> StakeFolders(const std::string& target);

// Steps are told to the log as they happen.
using StepLog = std::function<void(const std::string&)>;
// Deletes a folder with everything in it, reporting the entries removed.
using FolderRemover = std::function<void(const std::string& folder)>;

// What an interrupted upgrade left: an old set moved aside with no ZEDOVAV
// beside it goes back; a set given up, a staged one and an old one whose
// successor is in place are removed.
void RecoverInterruptedUpgrade(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove);

enum class SwapResult {
  Done,
  OldInUse,    // the old set could not be moved aside: it stays, nothing changed
  NewNotMoved, // the new set could not be moved in: the old one is back
  Broken,      // and the old one could not be moved back: it is at aside
};

// Moves the old set aside (if there is one) and the unpacked set into its
// place; on a failure puts the old one back.
SwapResult PutNewSetInPlace(const SwapFolders& folders, const StepLog& log);

// What is still there after a deletion: the number of entries and a path.
struct Leftovers {
  uint32_t entries = 0;
  std::string where;
};
Leftovers LeftoversIn(const std::string& folder);

}  // namespace app
