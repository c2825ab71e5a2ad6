#include "app/upgrade_guards.h"

#include <vector>

#include "app/dll_commands.h"
#include "app/drive_facts.h"
#include "app/exit_codes.h"
#include "app/staged_swap.h"
#include "app/target_path.h"
#include "app/upgrade_ui.h"
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
    if (FileAttributes(folder.c_str()) == kInvalidAttributes) continue;
    FolderIdentity identity;
    if (!ReadIdentity(folder, &identity)) return ToolPlace::Unknown;
    atStake.push_back(identity);
  }
  if (atStake.empty()) return ToolPlace::Outside;
  const TargetPath tool = NormaliseTarget(RunDirectoryText());
  if (tool.problem != TargetProblem::None) return ToolPlace::Unknown;
  for (const std::string& folder : PathAndAncestors(tool.path)) {
    FolderIdentity identity;
    if (!ReadIdentity(folder, &identity)) return ToolPlace::Unknown;
    for (const FolderIdentity& doomed : atStake)
      if (identity == doomed) return ToolPlace::Inside;
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

// The guards on a normalised target, in the order a user can act on them.
int32_t CheckTarget(const std::string& target) {
  if (!IsDirectory(target.c_str()))
    return Refuse(kExitTargetRefused, Say(pi::kTargetMissingText) + target + Say(pi::kTargetMissingHint));
  for (const std::string& ours : StakeFolders(target))
    if (SameName(LastName(target), LastName(ours))) return Refuse(kExitTargetRefused, Quoted(target, pi::kTargetZedovavHint));
  const DriveFacts drive = ReadDriveFacts(target);
  if (HoldsWindows(drive)) return Refuse(kExitTargetRefused, Quoted(target, pi::kWindowsDriveHint));
  if (!ToolFileExists(pi::kArchiveName)) return Refuse(kExitArchiveRefused, Say(pi::kArchiveMissingText));
  if (!ToolFileExists(pi::kArchiverFileName) || !ToolFileExists(pi::kArchiverLibraryName))
    return Refuse(kExitArchiveRefused, Say(pi::kArchiverMissingText));
  switch (ToolPlaceAgainst(target)) {
    case ToolPlace::Inside: return Refuse(kExitTargetRefused, Say(pi::kToolInsideText));
    case ToolPlace::Unknown: return Refuse(kExitTargetRefused, Say(pi::kToolPlaceUnknownText));
    case ToolPlace::Outside: break;
  }
  if (!ClaimTheMachine()) return Refuse(kExitAnotherUpgrade, Say(pi::kAnotherUpgradeText));
  // USB hard disks call themselves fixed too: ask, do not refuse.
  if (drive.type == kDriveFixed &&
      !Ask(pi::kConfirmTitle, Quoted(target, pi::kFixedDiskHint) + "\r\n\r\n" + Say(pi::kFixedDiskAsk))) {
    ReleaseTheMachine();
    return kExitNotConfirmed;
  }
  return kExitDone;
}

}  // namespace

std::string GuardTarget(const char* text, int32_t* exitCode) {
  const TargetPath target = NormaliseTarget(OrEmpty(text));
  const std::string typed = OrEmpty(text);
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

std::string DescribeArchiverFailure(int32_t exitCode) {
  uint32_t reason = pi::kReasonUnknown;
  switch (exitCode) {
    case 1: reason = pi::kReasonWarning; break;
    case 2: reason = pi::kReasonFatal; break;
    case 7: reason = pi::kReasonCommandLine; break;
    case 8: reason = pi::kReasonMemory; break;
    case 255: reason = pi::kReasonStopped; break;
    default: break;
  }
  return Say(reason) + Say(pi::kExitCodeText) + std::to_string(exitCode);
}

}  // namespace app
