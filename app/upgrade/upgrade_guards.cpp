#include "app/upgrade/upgrade_guards.h"

#include <vector>

#include "app/dll_commands.h"
#include "app/exit_codes.h"
#include "app/upgrade/drive_facts.h"
#include "app/upgrade/staged_swap.h"
#include "app/upgrade/target_path.h"
#include "app/upgrade/upgrade_log.h"
#include "app/upgrade/upgrade_ui.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {

uint32_t g_machineClaim = 0;

bool ToolFileExists(uint32_t nameConstant) {
  return IsFile((RunDirectoryText() + ConstantText(nameConstant)).c_str());
}

int32_t Refuse(int32_t exitCode, const std::string& text) {
  Tell(pi::kCheckTitle, text, kBoxError);
  return exitCode;
}

// "“E:\x” and the hint": the quoted path ahead of a hint that closes the quote.
std::string Quoted(const std::string& path, uint32_t hintConstant) {
  return Say(pi::kQuoteOpen) + path + Say(hintConstant);
}

enum class ToolPlace { Outside, Inside, Unknown };

// Whether the tool's own folder lies inside a folder the upgrade replaces
// or removes, by the folders' identity: another drive letter or a short
// name of the same folder is the same folder.
ToolPlace ToolPlaceAgainst(const std::string& target) {
  std::vector<FolderIdentity> atStake;
  for (const std::string& folder : StakeFolders(target)) {
    if (!PathExists(folder)) continue;
    FolderIdentity identity;
    if (!ReadIdentity(folder, &identity)) return ToolPlace::Unknown;
    atStake.push_back(identity);
  }
  if (atStake.empty()) return ToolPlace::Outside;
  // Up the path the tool was started by, and up the folder's final path:
  // through a link the first never meets what the link points into.
  // A file system that names no final path has no links to resolve.
  std::vector<std::string> paths = {RunDirectoryText()};
  const std::string finalPath = FinalPathOf(paths.front());
  if (!finalPath.empty() && !SameName(finalPath, paths.front())) paths.push_back(finalPath);
  for (const std::string& path : paths) {
    const TargetPath tool = NormaliseTarget(path);
    if (tool.problem != TargetProblem::None) return ToolPlace::Unknown;
    for (const std::string& folder : PathAndAncestors(tool.path)) {
      FolderIdentity identity;
      if (!ReadIdentity(folder, &identity)) return ToolPlace::Unknown;
      for (const FolderIdentity& doomed : atStake)
        if (identity == doomed) return ToolPlace::Inside;
    }
  }
  return ToolPlace::Outside;
}

bool ClaimTheMachine() {
  const uint32_t claim = Dll(pi::kDllCreateSemaphoreA, {0, 1, 1, ConstantAddress(pi::kUpgradeLockName)});
  // Not even opened: another user's upgrade holds it.
  if (!claim) return false;
  if (Dll(pi::kDllWaitForSingleObject, {claim, 0}) != 0) {
    CloseHandleWord(claim);
    return false;
  }
  g_machineClaim = claim;
  return true;
}

// Each guard's answer goes to the log as it is given.
bool Passes(const char* guard, bool passed) {
  Log().Line(std::string("检查 ") + guard + (passed ? "：通过" : "：未通过"));
  return passed;
}

// The guards on a normalised target, in the order a user can act on them.
int32_t CheckTarget(const std::string& target) {
  if (!Passes("目录存在", IsDirectory(target.c_str())))
    return Refuse(kExitTargetRefused, Say(pi::kTargetMissingText) + target + Say(pi::kTargetMissingHint));
  bool isOurs = false;
  for (const std::string& ours : StakeFolders(target)) isOurs = isOurs || SameName(LastName(target), LastName(ours));
  if (!Passes("目标不是 ZEDOVAV 目录本身", !isOurs))
    return Refuse(kExitTargetRefused, Quoted(target, pi::kTargetZedovavHint));
  const DriveFacts drive = ReadDriveFacts(target);
  if (!Passes("不是 Windows 所在的磁盘", !HoldsWindows(drive)))
    return Refuse(kExitTargetRefused, Quoted(target, pi::kWindowsDriveHint));
  const DriveAnswer answer = ProbeWriting(target);
  if (!Passes("U盘可以写入", answer == DriveAnswer::Writable))
    return Refuse(kExitDriveGone, Say(answer == DriveAnswer::WriteProtected ? pi::kWriteProtectedText
                                                                             : pi::kDriveGoneText));
  if (!Passes("升级包存在", ToolFileExists(pi::kArchiveName)))
    return Refuse(kExitArchiveRefused, Say(pi::kArchiveMissingText));
  if (!Passes("解压程序存在", ToolFileExists(pi::kArchiverFileName) && ToolFileExists(pi::kArchiverLibraryName)))
    return Refuse(kExitArchiveRefused, Say(pi::kArchiverMissingText));
  const ToolPlace place = ToolPlaceAgainst(target);
  if (!Passes("本程序不在将被替换的目录中", place == ToolPlace::Outside))
    return Refuse(kExitTargetRefused, Say(place == ToolPlace::Inside ? pi::kToolInsideText : pi::kToolPlaceUnknownText));
  if (!Passes("没有其他升级在进行", ClaimTheMachine()))
    return Refuse(kExitAnotherUpgrade, Say(pi::kAnotherUpgradeText));
  // USB hard disks call themselves fixed too: ask, do not refuse.
  if (drive.type == kDriveFixed &&
      !Passes("本地硬盘，用户确认升级",
              Ask(pi::kConfirmTitle, Quoted(target, pi::kFixedDiskHint) + "\r\n\r\n" + Say(pi::kFixedDiskAsk)))) {
    ReleaseTheMachine();
    return kExitNotConfirmed;
  }
  return kExitDone;
}

}  // namespace

std::string GuardTarget(const char* text, int32_t* exitCode) {
  const TargetPath target = NormaliseTarget(OrEmpty(text));
  const std::string typed = OrEmpty(text);
  Passes("完整路径", target.problem == TargetProblem::None);
  switch (target.problem) {
    case TargetProblem::Empty: *exitCode = Refuse(kExitTargetRefused, Say(pi::kTargetEmptyText)); return {};
    case TargetProblem::Relative: *exitCode = Refuse(kExitTargetRefused, Quoted(typed, pi::kTargetRelativeHint)); return {};
    case TargetProblem::Invalid:
    case TargetProblem::TooLong: *exitCode = Refuse(kExitTargetRefused, Quoted(typed, pi::kTargetInvalidHint)); return {};
    case TargetProblem::None: break;
  }
  *exitCode = CheckTarget(target.path);
  return *exitCode == kExitDone ? target.path : std::string();
}

void ReleaseTheMachine() {
  if (!g_machineClaim) return;
  Dll(pi::kDllReleaseSemaphore, {g_machineClaim, 1, 0});
  CloseHandleWord(g_machineClaim);
  g_machineClaim = 0;
}

}  // namespace app
