#include "app/staged_swap.h"

#include "app/dll_commands.h"
#include "app/target_path.h"

namespace app {
namespace {

bool Move(const std::string& from, const std::string& to, const StepLog& log) {
  const bool moved = MoveFolder(from.c_str(), to.c_str());
  log((moved ? "移动 " : "移动失败（错误 " + std::to_string(LastError()) + "） ") + from + " -> " + to);
  return moved;
}

void CountEntries(const std::string& folder, uint32_t* entries) {
  ForEachEntry(folder, [&](const FindData& found) {
    ++*entries;
    if ((found.attributes & kDirectoryAttribute) && !(found.attributes & 0x400))
      CountEntries(JoinPath(folder, found.name), entries);
  });
}

}  // namespace

SwapFolders::SwapFolders(const std::string& target)
    : toolSet(JoinPath(target, "ZEDOVAV")),
      staging(JoinPath(target, "ZEDOVAV.upgrade-new")),
      unpacked(JoinPath(staging, "ZEDOVAV")),
      aside(JoinPath(target, "ZEDOVAV.upgrade-old")),
      doomed(JoinPath(target, "ZEDOVAV.upgrade-del")) {}

std::vector<std::string> StakeFolders(const std::string& target) {
  const SwapFolders folders(target);
  return {folders.toolSet, folders.staging, folders.aside, folders.doomed};
}

void RecoverInterruptedUpgrade(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove) {
  if (PathExists(folders.doomed)) {
    log("上次升级按用户选择先删除的旧版未删完，删除 " + folders.doomed);
    remove(folders.doomed);
  }
  if (PathExists(folders.aside)) {
    if (!PathExists(folders.toolSet)) {
      log("上次升级在替换时中断，旧版放回原处");
      Move(folders.aside, folders.toolSet, log);
    } else {
      log("上次升级已替换但旧版未删完，删除 " + folders.aside);
      remove(folders.aside);
    }
  }
  if (PathExists(folders.staging)) {
    log("上次升级解压到一半中断，删除 " + folders.staging);
    remove(folders.staging);
  }
}

SwapResult PutNewSetInPlace(const SwapFolders& folders, const StepLog& log) {
  const bool hadOld = PathExists(folders.toolSet);
  if (hadOld && !Move(folders.toolSet, folders.aside, log)) return SwapResult::OldInUse;
  if (Move(folders.unpacked, folders.toolSet, log)) return SwapResult::Done;
  if (!hadOld) return SwapResult::NewNotMoved;
  return Move(folders.aside, folders.toolSet, log) ? SwapResult::NewNotMoved : SwapResult::Broken;
}

Leftovers LeftoversIn(const std::string& folder) {
  Leftovers left;
  if (!PathExists(folder)) return left;
  CountEntries(folder, &left.entries);
  if (left.entries == 0) left.entries = 1;  // the folder itself
  left.where = folder;
  return left;
}

}  // namespace app
