#include "app/upgrade/staged_swap.h"

#include "app/dll_commands.h"
#include "app/upgrade/target_path.h"
#include "app/upgrade/upgrade_journal.h"

namespace app {
namespace {

constexpr uint32_t kWriteThrough = 8;  // MOVEFILE_WRITE_THROUGH
constexpr int kGivenUpNames = 9;

void CountEntries(const std::string& folder, uint32_t* entries) {
  ForEachEntry(folder, [&](const FindData& found) {
    ++*entries;
    if ((found.attributes & kDirectoryAttribute) && !(found.attributes & kReparsePointAttribute))
      CountEntries(JoinPath(folder, found.name), entries);
  });
}

}  // namespace

SwapFolders::SwapFolders(const std::string& target)
    : target(target),
      toolSet(JoinPath(target, "ZEDOVAV")),
      staging(JoinPath(target, "ZEDOVAV.upgrade-new")),
      unpacked(JoinPath(staging, "ZEDOVAV")),
      ready(JoinPath(target, "ZEDOVAV.upgrade-ready")),
      readySet(JoinPath(ready, "ZEDOVAV")),
      aside(JoinPath(target, "ZEDOVAV.upgrade-old")),
      asideFiles(JoinPath(target, "ZEDOVAV.upgrade-aside")),
      journal(JoinPath(target, kJournalName)) {
  givenUp.push_back(JoinPath(target, "ZEDOVAV.upgrade-del"));
  for (int i = 2; i <= kGivenUpNames; ++i) givenUp.push_back(givenUp.front() + std::to_string(i));
}

std::string SwapFolders::FreeGivenUpName() const {
  for (const std::string& name : givenUp)
    if (!PathExists(name)) return name;
  return {};
}

std::vector<std::string> StakeFolders(const std::string& target) {
  const SwapFolders folders(target);
  std::vector<std::string> all = {folders.toolSet, folders.staging, folders.ready, folders.aside, folders.asideFiles};
  all.insert(all.end(), folders.givenUp.begin(), folders.givenUp.end());
  return all;
}

bool MoveWrittenThrough(const std::string& from, const std::string& to, const StepLog& log) {
  const bool moved = Dll(pi::kDllMoveFileExA, {Address(from.c_str()), Address(to.c_str()), kWriteThrough}) != 0;
  log((moved ? "移动 " : "移动失败（错误 " + std::to_string(LastError()) + "） ") + from + " -> " + to);
  return moved;
}

void GiveUp(const SwapFolders& folders, const std::string& folder, const StepLog& log, const FolderRemover& remove) {
  const std::string name = folders.FreeGivenUpName();
  if (!name.empty() && MoveWrittenThrough(folder, name, log)) return remove(name);
  remove(folder);
}

LeftBehind LookAt(const SwapFolders& folders) {
  LeftBehind found;
  found.toolSet = PathExists(folders.toolSet);
  found.aside = PathExists(folders.aside);
  found.ready = PathExists(folders.ready);
  found.readySet = found.ready && PathExists(folders.readySet);
  found.staging = PathExists(folders.staging);
  for (const std::string& folder : folders.givenUp) found.givenUp = found.givenUp || PathExists(folder);
  return found;
}

void RecoverInterruptedUpgrade(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove) {
  TriedSteps tried = 0;
  for (RecoveryStep step; (step = NextRecoveryStep(LookAt(folders), tried)) != RecoveryStep::Done;) {
    tried |= 1u << static_cast<unsigned>(step);
    switch (step) {
      case RecoveryStep::RemoveGivenUp:
        for (const std::string& folder : folders.givenUp) {
          if (!PathExists(folder)) continue;
          log("删除上次升级放弃的 " + folder);
          remove(folder);
        }
        break;
      case RecoveryStep::PutOldBack:
        log("上次升级在替换时中断，旧版放回原处");
        MoveWrittenThrough(folders.aside, folders.toolSet, log);
        break;
      case RecoveryStep::GiveUpAside:
        log("上次升级已替换但旧版未删完");
        GiveUp(folders, folders.aside, log, remove);
        break;
      case RecoveryStep::PutReadyInPlace:
        log("上次升级的新版已校验但未放到位，放到位");
        MoveWrittenThrough(folders.readySet, folders.toolSet, log);
        break;
      case RecoveryStep::GiveUpReady: GiveUp(folders, folders.ready, log, remove); break;
      case RecoveryStep::GiveUpStaging:
        log("上次升级解压到一半中断");
        GiveUp(folders, folders.staging, log, remove);
        break;
      case RecoveryStep::Done:
      case RecoveryStep::kCount: break;
    }
  }
}

SwapResult PutNewSetInPlace(const SwapFolders& folders, const StepLog& log) {
  const bool hadOld = PathExists(folders.toolSet);
  if (hadOld && !MoveWrittenThrough(folders.toolSet, folders.aside, log)) return SwapResult::OldInUse;
  if (MoveWrittenThrough(folders.readySet, folders.toolSet, log)) return SwapResult::Done;
  if (!hadOld) {
    // A scanner that holds a fresh file lets go within moments.
    for (int attempt = 0; attempt < 3; ++attempt) {
      Dll(pi::kDllSleep, {1000});
      if (MoveWrittenThrough(folders.readySet, folders.toolSet, log)) return SwapResult::Done;
    }
    return SwapResult::NewKept;
  }
  return MoveWrittenThrough(folders.aside, folders.toolSet, log) ? SwapResult::NewNotMoved : SwapResult::Broken;
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
