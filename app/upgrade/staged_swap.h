// The staged swap: the new tool set is unpacked beside the old one,
// flushed and read back, renamed ready, the old one is moved aside, the
// new one moved into its place, and only then is the old one given up and
// deleted. Every step is a rename on the same drive, written through, so
// an upgrade cut off at any moment leaves a whole set under one of these
// names, which the next upgrade puts right first.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/upgrade/recovery_plan.h"

namespace app {

struct SwapFolders {
  explicit SwapFolders(const std::string& target);
  std::string target;
  std::string toolSet;   // T\ZEDOVAV
  std::string staging;   // T\ZEDOVAV.upgrade-new: the archiver unpacks here
  std::string unpacked;  // staging\ZEDOVAV
  std::string ready;     // T\ZEDOVAV.upgrade-ready: the staged set, read back whole
  std::string readySet;  // ready\ZEDOVAV
  std::string aside;     // T\ZEDOVAV.upgrade-old: the old set until the new one is in place
  // Writing only what changed: the old copies of changed and removed files
  // (T\ZEDOVAV.upgrade-aside\1, \2 ...) and the journal that commits it.
  std::string asideFiles;
  std::string journal;
  // T\ZEDOVAV.upgrade-del, -del2 ...: sets given up, only ever deleted; a
  // second name serves when debris that could not be deleted holds the first.
  std::vector<std::string> givenUp;
  // The first given-up name that is free; empty when none is.
  std::string FreeGivenUpName() const;
};

// ZEDOVAV and the upgrade's own folders beside it.
std::vector<std::string> StakeFolders(const std::string& target);

// Steps are told to the log as they happen.
using StepLog = std::function<void(const std::string&)>;
// Deletes a folder with everything in it, reporting the entries removed.
using FolderRemover = std::function<void(const std::string& folder)>;

// A rename written through to the drive, told to the log.
bool MoveWrittenThrough(const std::string& from, const std::string& to, const StepLog& log);
// A folder of the upgrade's that is no longer wanted: renamed to a
// given-up name first (so that what a cut deletion leaves is never taken
// for a whole set), then deleted.
void GiveUp(const SwapFolders& folders, const std::string& folder, const StepLog& log, const FolderRemover& remove);

// Which of the upgrade's folders are on the drive now.
LeftBehind LookAt(const SwapFolders& folders);
// Puts right what an interrupted upgrade left, step by step as
// NextRecoveryStep orders them.
void RecoverInterruptedUpgrade(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove);

enum class SwapResult {
  Done,
  OldInUse,     // the old set could not be moved aside: it stays, nothing changed
  NewNotMoved,  // the new set could not be moved in: the old one is back
  Broken,       // and the old one could not be moved back: it is at aside
  NewKept,      // there was no old set, and the new one stays at readySet
};

// Moves the old set aside (if there is one) and the ready set into its
// place; on a failure puts the old one back. With no old set the rename
// is tried a few times: the ready set is then the only one.
SwapResult PutNewSetInPlace(const SwapFolders& folders, const StepLog& log);

// What is still there after a deletion: the number of entries and a path.
struct Leftovers {
  uint32_t entries = 0;
  std::string where;
};
Leftovers LeftoversIn(const std::string& folder);

}  // namespace app
