#include "app/upgrade_run.h"

#include "app/archiver_runs.h"
#include "app/dll_commands.h"
#include "app/drive_facts.h"
#include "app/exit_codes.h"
#include "app/room_plan.h"
#include "app/staged_swap.h"
#include "app/upgrade_log.h"
#include "app/upgrade_ui.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {

constexpr const char* kParagraph = "\r\n\r\n";

UpgradeResult Refusal(int32_t exitCode, uint32_t title, const std::string& text) {
  return {exitCode, true, text.empty() ? 0u : title, text, kBoxError};
}

UpgradeResult Failure(int32_t exitCode, const std::string& text) {
  std::string told = text;
  if (!Log().Path().empty()) told += kParagraph + Say(pi::kLogHint) + Log().Path();
  return {exitCode, false, pi::kFailureTitle, told, kBoxError};
}

const char* DriveTypeName(uint32_t type) {
  switch (type) {
    case kDriveRemovable: return "可移动磁盘";
    case kDriveFixed: return "本地硬盘";
    case kDriveRemote: return "网络驱动器";
    case kDriveCdRom: return "光盘";
    case kDriveRamDisk: return "内存盘";
    default: return "未知";
  }
}

void LogArchiverRun(const ArchiverRun& run) {
  Log().Line("解压程序：" + run.commandLine);
  if (!run.started) return Log().Line("解压程序无法启动");
  Log().Line("退出码 " + std::to_string(run.exitCode));
  if (run.exitCode == 0) return;
  for (const std::string& line : run.output.LastLines()) Log().Line("  | " + line);
}

void LogStep(const std::string& step) { Log().Line(step); }

void __stdcall ShowRemoved(uint32_t parameter, uint32_t removed) {
  ShowStage(*reinterpret_cast<const std::string*>(parameter) + std::to_string(removed) +
            Say(pi::kStageRemovedCount));
}

// Deletes a folder of the upgrade's; an old set's deletion shows the count
// of what is gone on the wait window meanwhile.
void RemoveFolder(const std::string& folder, bool oldSet) {
  const std::string stage = Say(pi::kStageRemoving);
  if (oldSet) ShowStage(stage + "0" + Say(pi::kStageRemovedCount));
  const bool removed = oldSet ? DeleteDirectory(folder.c_str(), &ShowRemoved, Address(&stage))
                              : DeleteDirectory(folder.c_str());
  Log().Line((removed ? "已删除 " : "未能删尽 ") + folder);
}

void RemoveOldSet(const std::string& folder) { RemoveFolder(folder, true); }

std::string LeftoverText(const Leftovers& left) {
  if (!left.entries) return {};
  return kParagraph + Say(pi::kLeftoverText) + std::to_string(left.entries) + Say(pi::kLeftoverHint) + left.where +
         Say(pi::kLeftoverEnd);
}

class Upgrade {
 public:
  explicit Upgrade(const std::string& target)
      : target_(target), runDirectory_(RunDirectoryText()), folders_(target), drive_(ReadDriveFacts(target)) {}

  UpgradeResult Run();

 private:
  UpgradeResult ReadListing();
  UpgradeResult JudgeRoom();
  UpgradeResult GiveUpOldSet();
  UpgradeResult Unpack();
  UpgradeResult Swap();
  void LogDrive() const;

  std::string target_, runDirectory_;
  SwapFolders folders_;
  DriveFacts drive_;
  ArchiveListing listing_;
  bool deleteFirst_ = false;
  bool oldGone_ = false;
};

void Upgrade::LogDrive() const {
  Log().Line("目标 " + target_ + "：卷 " + drive_.volume + "，" + DriveTypeName(drive_.type) + "，文件系统 " +
             (drive_.fileSystem.empty() ? std::string("未知") : drive_.fileSystem) + "，簇 " +
             std::to_string(drive_.clusterBytes) + " 字节，可用 " +
             (drive_.freeKnown ? SizeText(drive_.freeBytes) : std::string("未知")));
}

UpgradeResult Upgrade::ReadListing() {
  const ArchiverRun listed = ListArchive(runDirectory_, &listing_);
  LogArchiverRun(listed);
  if (!listed.started)
    return Failure(kExitArchiverNotStarted,
                   Say(pi::kTestFailedText) + Say(pi::kReasonNotStarted) + Say(pi::kTestFailedHint));
  if (listing_.encrypted || SaysEncrypted(listed.output)) {
    Log().Line("检查：升级包已加密");
    return Refusal(kExitArchiveRefused, pi::kCheckTitle, Say(pi::kEncryptedText));
  }
  if (listed.exitCode != 0)
    return Failure(listed.exitCode,
                   Say(pi::kTestFailedText) + DescribeArchiverFailure(listed.exitCode) + Say(pi::kTestFailedHint));
  Log().Line("升级包：" + std::to_string(listing_.files) + " 个文件，" + std::to_string(listing_.folders) +
             " 个文件夹，共 " + SizeText(listing_.totalBytes) + "，最大的文件 " + SizeText(listing_.largestFile));
  if (!listing_.IsToolSet()) {
    Log().Line("检查：升级包的内容不是一个 ZEDOVAV 文件夹");
    return Refusal(kExitArchiveRefused, pi::kCheckTitle, Say(pi::kNotToolSetText));
  }
  return {};
}

UpgradeResult Upgrade::JudgeRoom() {
  DriveRoom room{drive_.freeBytes, drive_.clusterBytes, drive_.fileSystem};
  // Room that cannot be told is not judged; the staging keeps the old set
  // safe all the same.
  if (!drive_.freeKnown) room.freeBytes = UINT64_MAX;
  RoomPlan plan = PlanRoom(listing_, room, 0);
  uint64_t oldBytes = 0;
  if (plan.verdict == RoomVerdict::TooSmall && PathExists(folders_.toolSet)) {
    oldBytes = FolderBytesOnDisk(folders_.toolSet, drive_.clusterBytes);
    plan = PlanRoom(listing_, room, oldBytes);
  }
  Log().Line("空间：需要 " + SizeText(plan.needed) + "，可用 " +
             (drive_.freeKnown ? SizeText(drive_.freeBytes) : std::string("未知")) +
             (oldBytes ? "，旧版占用 " + SizeText(oldBytes) : std::string()));
  switch (plan.verdict) {
    case RoomVerdict::Fits: return {};
    case RoomVerdict::FileTooLargeForFat:
      Log().Line("检查：文件超过 FAT 的 4 GB 上限：" + listing_.largestFileName);
      return Refusal(kExitRoomRefused, pi::kCheckTitle,
                     Say(pi::kFatFileText) + listing_.largestFileName + Say(pi::kFatFileSizeText) +
                         SizeText(listing_.largestFile) + Say(pi::kFatFileHint));
    case RoomVerdict::TooSmall:
      Log().Line("检查：空间不足");
      return Refusal(kExitRoomRefused, pi::kCheckTitle,
                     Say(pi::kRoomNeedText) + SizeText(plan.needed) + Say(pi::kRoomFreeText) +
                         SizeText(drive_.freeBytes) +
                         (oldBytes ? Say(pi::kRoomWithoutOldText) + SizeText(drive_.freeBytes + oldBytes) +
                                         Say(pi::kCloseParen)
                                   : std::string()) +
                         Say(pi::kRoomTooSmallHint));
    case RoomVerdict::FitsWithoutOld: break;
  }
  const bool yes = Ask(pi::kConfirmTitle, Say(pi::kRoomBothText) + SizeText(plan.needed) + Say(pi::kRoomFreeText) +
                                              SizeText(drive_.freeBytes) + Say(pi::kFullStop) + kParagraph +
                                              Say(pi::kDeleteFirstWarning) + kParagraph + Say(pi::kDeleteFirstAsk));
  Log().Line(yes ? "询问：先删除旧版？回答：是" : "询问：先删除旧版？回答：否");
  if (!yes) return Refusal(kExitNotConfirmed, 0, {});
  deleteFirst_ = true;
  return {};
}

// Only when the user chose it: the old set goes before the new one comes.
UpgradeResult Upgrade::GiveUpOldSet() {
  if (!deleteFirst_ || !PathExists(folders_.toolSet)) return {};
  ShowStage(Say(pi::kStageRemoving));
  if (!MoveFolder(folders_.toolSet.c_str(), folders_.doomed.c_str())) {
    Log().Line("移动失败（错误 " + std::to_string(LastError()) + "） " + folders_.toolSet);
    return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
  }
  Log().Line("移动 " + folders_.toolSet + " -> " + folders_.doomed);
  oldGone_ = true;
  RemoveOldSet(folders_.doomed);
  return {};
}

UpgradeResult Upgrade::Unpack() {
  const std::string stage = Say(pi::kStageUnpacking);
  int shown = -1;
  ShowStage(stage + "0%");
  const ArchiverRun unpacked = UnpackArchive(runDirectory_, folders_.staging, [&](const ArchiverOutput& output) {
    // Never back, and 100 only once the archiver is done.
    const int percent = std::min(99, listing_.PercentAfter(output.EntriesDone()));
    if (percent <= shown) return;
    shown = percent;
    ShowStage(stage + std::to_string(percent) + "%");
  });
  LogArchiverRun(unpacked);
  if (unpacked.started && unpacked.exitCode == 0 && PathExists(folders_.unpacked)) return {};

  // Asked before the staged files go: the archiver's own words are in the
  // system's language.
  const DriveFacts after = ReadDriveFacts(target_);
  const bool full = SaysDiskFull(unpacked.output) ||
                    (after.freeKnown && after.freeBytes < uint64_t(after.clusterBytes) * 16 + (1u << 20));
  RemoveFolder(folders_.staging, false);
  std::string hint = Say(pi::kOtherUnpackHint);
  if (full) hint = Say(pi::kDiskFullHint);
  else if (SaysDamaged(unpacked.output)) hint = Say(pi::kDamagedHint);
  const std::string reason = unpacked.started ? DescribeArchiverFailure(unpacked.exitCode) : Say(pi::kReasonNotStarted);
  int32_t exitCode = unpacked.started ? unpacked.exitCode : int32_t(kExitArchiverNotStarted);
  // A run that said nothing wrong but left no ZEDOVAV is a failure all the same.
  if (exitCode == 0) exitCode = kExitSwapFailed;
  return Failure(exitCode, Say(pi::kUnpackFailedText) + reason + Say(pi::kUnpackFailedHint) + hint +
                               Say(oldGone_ ? pi::kOldGoneText : pi::kOldKeptText));
}

UpgradeResult Upgrade::Swap() {
  ShowStage(Say(pi::kStageReplacing));
  switch (PutNewSetInPlace(folders_, &LogStep)) {
    case SwapResult::Done: break;
    case SwapResult::OldInUse:
    case SwapResult::NewNotMoved:
      RemoveFolder(folders_.staging, false);
      return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
    case SwapResult::Broken:
      return Failure(kExitSwapFailed, Say(pi::kSwapBrokenText) + folders_.aside + Say(pi::kSwapBrokenNewText) +
                                          folders_.unpacked + Say(pi::kSwapBrokenHint));
  }
  if (PathExists(folders_.aside)) RemoveOldSet(folders_.aside);
  if (!RemoveEmptyFolder(folders_.staging.c_str())) RemoveFolder(folders_.staging, false);
  return {};
}

UpgradeResult Upgrade::Run() {
  LogDrive();
  ShowStage(Say(pi::kStageChecking));
  if (PathExists(folders_.staging) || PathExists(folders_.aside) || PathExists(folders_.doomed)) {
    ShowStage(Say(pi::kStageRecovering));
    RecoverInterruptedUpgrade(folders_, &LogStep, &RemoveOldSet);
    ShowStage(Say(pi::kStageChecking));
  }
  for (UpgradeResult (Upgrade::*step)() :
       {&Upgrade::ReadListing, &Upgrade::JudgeRoom, &Upgrade::GiveUpOldSet, &Upgrade::Unpack, &Upgrade::Swap}) {
    UpgradeResult result = (this->*step)();
    if (result.exitCode != 0 || result.refused) return result;
  }
  Leftovers left = LeftoversIn(folders_.aside);
  if (!left.entries) left = LeftoversIn(folders_.doomed);
  if (!left.entries) left = LeftoversIn(folders_.staging);
  if (left.entries) Log().Line("未能删除 " + std::to_string(left.entries) + " 项，在 " + left.where);
  return {0, false, pi::kDoneTitle,
          Say(pi::kDoneText) + folders_.toolSet + Say(pi::kDoneFilesText) + std::to_string(listing_.files) +
              Say(pi::kDoneSizeText) + SizeText(listing_.totalBytes) + Say(pi::kFullStop) + LeftoverText(left),
          left.entries ? uint32_t(kBoxWarning) : uint32_t(kBoxInformation)};
}

}  // namespace

UpgradeResult RunUpgrade(const std::string& target) { return Upgrade(target).Run(); }

}  // namespace app
