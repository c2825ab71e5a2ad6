#include "app/upgrade/upgrade_run.h"

#include <memory>

#include "app/dll_commands.h"
#include "app/exit_codes.h"
#include "app/upgrade/archiver_runs.h"
#include "app/upgrade/difference_commit.h"
#include "app/upgrade/drive_facts.h"
#include "app/upgrade/read_back.h"
#include "app/upgrade/room_plan.h"
#include "app/upgrade/staged_swap.h"
#include "app/upgrade/upgrade_log.h"
#include "app/upgrade/upgrade_ui.h"
#include "app/upgrade/wide_text.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {

constexpr const char* kParagraph = "\r\n\r\n";

UpgradeResult Refusal(int32_t exitCode, uint32_t title, const std::string& text) {
  return {exitCode, true, text.empty() ? 0u : title, text, kBoxError};
}

UpgradeResult Failure(int32_t exitCode, const std::string& text, uint32_t title = pi::kFailureTitle) {
  std::string told = text;
  if (!Log().Path().empty()) told += kParagraph + Say(pi::kLogHint) + Log().Path();
  return {exitCode, false, title, told, kBoxError};
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
  for (const std::string& line : run.output.LastLines()) Log().Line("  | " + GbkOfUtf8(line));
}

void LogStep(const std::string& step) { Log().Line(step); }

void __stdcall ShowRemoved(uint32_t parameter, uint32_t removed) {
  ShowStage(*reinterpret_cast<const std::string*>(parameter) + std::to_string(removed) +
            Say(pi::kStageRemovedCount));
}

// Deletes a folder of the upgrade's, whatever its entries' names and
// attributes; an old set's deletion shows the count of what is gone on the
// wait window meanwhile.
void RemoveFolder(const std::string& folder, bool oldSet) {
  const std::string stage = Say(pi::kStageRemoving);
  if (oldSet) ShowStage(stage + "0" + Say(pi::kStageRemovedCount));
  const bool removed = DeleteWholeDirectory(folder.c_str(), oldSet ? &ShowRemoved : nullptr, Address(&stage));
  Log().Line((removed ? "已删除 " : "未能删尽 ") + folder);
}

void RemoveOldSet(const std::string& folder) { RemoveFolder(folder, true); }
void RemoveStaged(const std::string& folder) { RemoveFolder(folder, false); }

std::string LeftoverText(const Leftovers& left) {
  if (!left.entries) return {};
  return kParagraph + Say(pi::kLeftoverText) + std::to_string(left.entries) + Say(pi::kLeftoverHint) + left.where +
         Say(pi::kLeftoverEnd);
}

class Upgrade {
 public:
  explicit Upgrade(const std::string& target)
      : target_(target), runDirectory_(RunDirectoryText()), folders_(target) {}

  UpgradeResult Run();

 private:
  UpgradeResult ReadListing();
  UpgradeResult Compare();
  UpgradeResult JudgeRoom();
  UpgradeResult GiveUpOldSet();
  UpgradeResult Unpack();
  UpgradeResult Verify();
  UpgradeResult Swap();
  UpgradeResult Commit();
  UpgradeResult Finish();
  UpgradeResult Stopped();
  UpgradeResult DriveGone();
  // A drive that no longer takes changes explains any failure on it.
  bool DriveStillAnswers() const { return ProbeWriting(target_) == DriveAnswer::Writable; }
  void RemoveStagedSets();
  std::string WhatBecameOfTheOldSet() const;
  std::string ChangeCounts() const;
  void LogDrive() const;

  std::string target_, runDirectory_;
  SwapFolders folders_;
  DriveFacts drive_;
  ArchiveListing listing_;
  // What is unpacked and read back: the whole set, or only what changed.
  ArchiveListing staged_;
  DifferencePlan plan_;
  std::vector<OldEntry> old_;
  std::unique_ptr<CrcReadAhead> readAhead_;  // from before the listing to the comparison
  bool difference_ = false;
  bool deleteFirst_ = false;
  bool hadOld_ = false;
  bool oldGone_ = false;
};

void Upgrade::LogDrive() const {
  Log().Line("目标 " + target_ + "：卷 " + drive_.volume + "，" + DriveTypeName(drive_.type) + "，文件系统 " +
             (drive_.fileSystem.empty() ? std::string("未知") : drive_.fileSystem) + "，簇 " +
             std::to_string(drive_.clusterBytes) + " 字节，可用 " +
             (drive_.freeKnown ? SizeText(drive_.freeBytes) : std::string("未知")));
}

void Upgrade::RemoveStagedSets() {
  // A journal on the drive still needs its staged files: the next run
  // finishes it.
  if (PathExists(folders_.journal)) return;
  for (const std::string& folder : {folders_.staging, folders_.ready})
    if (PathExists(folder)) GiveUp(folders_, folder, &LogStep, &RemoveStaged);
}

// "新增 a、更新 b、删除 c、未变 d 个文件，写入U盘 X。"
std::string Upgrade::ChangeCounts() const {
  if (!difference_) return {};
  const std::string counts = Say(pi::kChangedNew) + std::to_string(plan_.added) + Say(pi::kChangedUpdated) +
                             std::to_string(plan_.updated) + Say(pi::kChangedRemoved) +
                             std::to_string(plan_.removed) + Say(pi::kChangedKept) + std::to_string(plan_.unchanged) +
                             Say(pi::kChangedWritten) + SizeText(plan_.bytesToWrite) + Say(pi::kFullStop);
  Log().Line(counts);
  return kParagraph + counts;
}

std::string Upgrade::WhatBecameOfTheOldSet() const {
  if (oldGone_) return Say(pi::kOldGoneText);
  return Say(hadOld_ ? pi::kOldKeptText : pi::kNoOldSetText);
}

UpgradeResult Upgrade::Stopped() {
  Log().Line("用户取消升级");
  ShowStage(Say(pi::kStageCancelling));
  RemoveStagedSets();
  return {kExitCancelled, true, pi::kCancelledTitle,
          oldGone_ ? Say(pi::kOldGoneText) : Say(pi::kCancelledText), kBoxInformation};
}

UpgradeResult Upgrade::DriveGone() {
  Log().Line("U盘已拔出或不能写入");
  // Whatever can still be taken away goes; the next upgrade finds the rest.
  if (IsDirectory(target_.c_str())) RemoveStagedSets();
  return Failure(kExitDriveGone, Say(pi::kDriveGoneText), pi::kDriveGoneTitle);
}

UpgradeResult Upgrade::ReadListing() {
  const ArchiverRun listed = ListArchive(runDirectory_, &listing_);
  LogArchiverRun(listed);
  if (!listed.started)
    return Failure(kExitArchiverNotStarted,
                   Say(pi::kNotStartedText) + Say(pi::kReasonNotStarted) + Say(pi::kNotStartedHint));
  if (listing_.encrypted || (listed.exitCode != 0 && SaysEncrypted(listed.output))) {
    Log().Line("检查：升级包已加密");
    return Refusal(kExitArchiveRefused, pi::kCheckTitle, Say(pi::kEncryptedText));
  }
  if (listed.exitCode != 0)
    return Failure(listed.exitCode, Say(pi::kTestFailedText) + DescribeArchiverFailure(listed.exitCode, true) +
                                        Say(pi::kTestFailedHint));
  Log().Line("升级包：" + std::to_string(listing_.files) + " 个文件，" + std::to_string(listing_.folders) +
             " 个文件夹，共 " + SizeText(listing_.totalBytes) + "，最大的文件 " + SizeText(listing_.largestFile));
  if (!listing_.IsToolSet()) {
    Log().Line("检查：升级包的内容不是一个 ZEDOVAV 文件夹");
    return Refusal(kExitArchiveRefused, pi::kCheckTitle, Say(pi::kNotToolSetText));
  }
  return {};
}

// Held against the old set, only what changed need be written; where that
// is most of the set, the whole set is swapped as before.
UpgradeResult Upgrade::Compare() {
  staged_ = listing_;
  if (!hadOld_) return {};
  const std::string stage = Say(pi::kStageComparing);
  ShowStage(stage + "0%");
  readAhead_->Stop();
  DriveCrcReader reader(
      target_, BytesToCompare(listing_, old_),
      [&](int percent) {
        ShowStage(stage + std::to_string(percent) + "%");
        ServeWaitWindow();
      },
      [] { return StopRequested(); });
  plan_ = PlanDifference(listing_, old_, [&](const std::string& path) {
    const std::optional<uint32_t> known = readAhead_->Known(path);
    return known ? known : reader.Read(path);
  });
  if (StopRequested()) return Stopped();
  Log().Line("比较：新增 " + std::to_string(plan_.added) + "，更新 " + std::to_string(plan_.updated) + "，删除 " +
             std::to_string(plan_.removed) + "，未变 " + std::to_string(plan_.unchanged) + "；需写入 " +
             SizeText(plan_.bytesToWrite) + "，读取比较 " + SizeText(readAhead_->BytesRead() + reader.BytesRead()));
  difference_ = !plan_.unfit && DifferenceIsWorthIt(plan_, listing_.totalBytes);
  if (!difference_) return {};
  staged_ = ListingToWrite(listing_, plan_);
  Log().Line("只写入变化的部分：" + std::to_string(staged_.files) + " 个文件");
  return {};
}

UpgradeResult Upgrade::JudgeRoom() {
  DriveRoom room{drive_.freeBytes, drive_.clusterBytes, drive_.fileSystem};
  if (difference_) {
    // The difference needs room only for what it writes; where even that
    // does not fit, the whole set's rules (and question) apply.
    if (!drive_.freeKnown || PlanRoom(staged_, room, 0).verdict == RoomVerdict::Fits) return {};
    Log().Line("空间不足以只写入变化的部分：改为整体替换");
    difference_ = false;
    staged_ = listing_;
  }
  // Room that cannot be told is not judged; the staging keeps the old set
  // safe all the same.
  if (!drive_.freeKnown) room.freeBytes = UINT64_MAX;
  RoomPlan plan = PlanRoom(listing_, room, 0);
  uint64_t oldBytes = 0;
  if (plan.verdict == RoomVerdict::TooSmall && hadOld_) {
    oldBytes = FolderBytesOnDisk(folders_.toolSet, drive_.clusterBytes);
    plan = PlanRoom(listing_, room, oldBytes);
  }
  Log().Line("空间：需要 " + SizeText(plan.needed) + "，可用 " +
             (drive_.freeKnown ? SizeText(drive_.freeBytes) : std::string("未知")) +
             (oldBytes ? "，旧版占用 " + SizeText(oldBytes) : std::string()));
  const std::string largest = GbkOfUtf8(listing_.largestFileName);
  switch (plan.verdict) {
    case RoomVerdict::Fits: return {};
    case RoomVerdict::FileTooLargeForFat:
      Log().Line("检查：文件超过 FAT 的 4 GB 上限：" + largest);
      return Refusal(kExitRoomRefused, pi::kCheckTitle,
                     Say(pi::kFatFileText) + largest + Say(pi::kFatFileSizeText) + SizeText(listing_.largestFile) +
                         Say(pi::kFatFileHint));
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
  if (!deleteFirst_ || !hadOld_) return {};
  ShowStage(Say(pi::kStageRemoving));
  const std::string doomed = folders_.FreeGivenUpName();
  if (doomed.empty() || !MoveWrittenThrough(folders_.toolSet, doomed, &LogStep)) {
    if (!DriveStillAnswers()) return DriveGone();
    return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
  }
  oldGone_ = true;
  RemoveOldSet(doomed);
  return {};
}

UpgradeResult Upgrade::Unpack() {
  // Nothing new or changed: the archiver has nothing to write.
  if (difference_ && staged_.files == 0) return {};
  const std::string stage = Say(pi::kStageUnpacking);
  int shown = -1;
  ShowStage(stage + "0%");
  std::string listFile;
  if (difference_) {
    listFile = folders_.staging + ConstantText(pi::kListFileName);
    if (!WriteListFile(folders_.staging, listFile, staged_)) {
      if (!DriveStillAnswers()) return DriveGone();
      RemoveStagedSets();
      return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
    }
  }
  const ArchiverRun unpacked =
      UnpackArchive(runDirectory_, folders_.staging, StopEvent(), [&](const ArchiverOutput& output) {
        // The wait for the archiver serves paint and sent messages only:
        // 取消 and Alt+F4 are heard here, as the archiver reports.
        ServeWaitWindow();
        if (StopRequested()) return;
        // Never back, and 100 only once the archiver is done.
        const int percent = std::min(99, staged_.PercentAfter(output.EntriesDone()));
        if (percent <= shown) return;
        shown = percent;
        ShowStage(stage + std::to_string(percent) + "%");
      }, listFile);
  LogArchiverRun(unpacked);
  if (StopRequested()) return Stopped();
  if (unpacked.started && unpacked.exitCode == 0 && PathExists(folders_.unpacked)) return {};
  if (unpacked.started && !DriveStillAnswers()) return DriveGone();

  // Asked before the staged files go: the archiver's own words are in the
  // system's language.
  const DriveFacts after = ReadDriveFacts(target_);
  const bool full = SaysDiskFull(unpacked.output) ||
                    (after.freeKnown && after.freeBytes < uint64_t(after.clusterBytes) * 16 + (1u << 20));
  RemoveStagedSets();
  if (!unpacked.started)
    return Failure(kExitArchiverNotStarted, Say(pi::kNotStartedText) + Say(pi::kReasonNotStarted) +
                                                Say(pi::kNotStartedHint) + WhatBecameOfTheOldSet());
  std::string hint = Say(pi::kOtherUnpackHint);
  if (full) hint = Say(pi::kDiskFullHint);
  else if (SaysDamaged(unpacked.output)) hint = Say(pi::kDamagedHint);
  // A run that said nothing wrong but left no ZEDOVAV is a failure all the same.
  const int32_t exitCode = unpacked.exitCode == 0 ? int32_t(kExitSwapFailed) : unpacked.exitCode;
  return Failure(exitCode, Say(pi::kUnpackFailedText) + DescribeArchiverFailure(unpacked.exitCode, false) +
                               Say(pi::kUnpackFailedHint) + hint + WhatBecameOfTheOldSet());
}

// Flushed, read back past the cache, and only then called ready.
UpgradeResult Upgrade::Verify() {
  if (difference_ && staged_.files == 0) return {};
  const auto stopAsked = [] { return StopRequested(); };
  // The wait window is served when the percentage is told: 取消 is heard there.
  const auto stageOf = [](uint32_t stage) {
    return [stage](int percent) {
      ShowStage(Say(stage) + std::to_string(percent) + "%");
      ServeWaitWindow();
    };
  };
  ShowStage(Say(pi::kStageFlushing) + "0%");
  const StagedCheck flushed = FlushStaged(folders_.staging, staged_, stageOf(pi::kStageFlushing), stopAsked);
  if (flushed.outcome == CheckOutcome::Stopped) return Stopped();
  Log().Line("写入U盘：" + std::to_string(flushed.files) + " 个文件，用时 " + std::to_string(flushed.milliseconds) +
             " 毫秒");
  if (flushed.outcome != CheckOutcome::Same) {
    Log().Line("无法写入U盘：" + GbkOfUtf8(flushed.file));
    if (!DriveStillAnswers()) return DriveGone();
  }
  ShowStage(Say(pi::kStageReadingBack) + "0%");
  const StagedCheck read = ReadBackStaged(folders_.staging, staged_, stageOf(pi::kStageReadingBack), stopAsked);
  if (read.outcome == CheckOutcome::Stopped) return Stopped();
  Log().Line("读回校验：" + std::to_string(read.files) + " 个文件，" + SizeText(read.bytes) + "，用时 " +
             std::to_string(read.milliseconds) + " 毫秒");
  if (flushed.outcome != CheckOutcome::Same || read.outcome != CheckOutcome::Same) {
    const std::string file = GbkOfUtf8(read.outcome != CheckOutcome::Same ? read.file : flushed.file);
    Log().Line("读回不符：" + file);
    if (!DriveStillAnswers()) return DriveGone();
    RemoveStagedSets();
    return Failure(kExitReadBackDiffers, Say(pi::kReadBackText) + file + Say(pi::kReadBackHint));
  }
  // The journal names the staging folder: the difference stays there.
  if (difference_) return {};
  if (!MoveWrittenThrough(folders_.staging, folders_.ready, &LogStep)) {
    if (!DriveStillAnswers()) return DriveGone();
    // Windows refuses to rename a folder with a file open in it: with the
    // old set deleted first, this read-back set is the only one there is.
    if (oldGone_)
      return Failure(kExitSwapFailed, Say(pi::kNewSetKeptText) + folders_.unpacked + Say(pi::kNewSetKeptHint));
    RemoveStagedSets();
    return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
  }
  return {};
}

UpgradeResult Upgrade::Swap() {
  // Renames take moments and must finish.
  ForbidStop();
  ShowStage(Say(pi::kStageReplacing));
  switch (PutNewSetInPlace(folders_, &LogStep)) {
    case SwapResult::Done: break;
    case SwapResult::OldInUse:
    case SwapResult::NewNotMoved:
      if (!DriveStillAnswers()) return DriveGone();
      RemoveStagedSets();
      return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
    case SwapResult::NewKept:
      // The only set there is: never deleted, and the next run puts it in place.
      return Failure(kExitSwapFailed, Say(pi::kNewSetKeptText) + folders_.readySet + Say(pi::kNewSetKeptHint));
    case SwapResult::Broken:
      return Failure(kExitSwapFailed, Say(pi::kSwapBrokenText) + folders_.aside + Say(pi::kSwapBrokenNewText) +
                                          folders_.readySet + Say(pi::kSwapBrokenHint));
  }
  if (PathExists(folders_.aside)) GiveUp(folders_, folders_.aside, &LogStep, &RemoveOldSet);
  if (!RemoveEmptyFolder(folders_.ready.c_str())) RemoveStagedSets();
  return {};
}

// The journal written whole is the commit point: from then on the next
// run finishes every step, whatever cuts this one short.
UpgradeResult Upgrade::Commit() {
  ForbidStop();
  const std::string stage = Say(pi::kStageCommitting);
  ShowStage(stage + "0%");
  const auto relative = [&](const std::string& folder) { return folder.substr(folder.find_last_of('\\') + 1); };
  const Journal journal = JournalForPlan(plan_, relative(folders_.staging), relative(folders_.asideFiles));
  if (journal.Steps() == 0) {
    Log().Line("没有需要更新的文件");
    return {};
  }
  if (!WriteJournalFile(folders_, journal)) {
    Log().Line("未能写入 " + folders_.journal);
    if (!DriveStillAnswers()) return DriveGone();
    AbandonJournal(folders_, &LogStep, &RemoveStaged);
    RemoveStagedSets();
    return Failure(kExitSwapFailed, Say(pi::kSwapFailedText));
  }
  Log().Line("已写入 " + folders_.journal + "：" + std::to_string(journal.Steps()) + " 步");
  const size_t steps = journal.Steps();
  const bool done = CarryOutJournal(folders_, journal, [&](size_t step) {
    ShowStage(stage + std::to_string(steps ? step * 100 / steps : 100) + "%");
  });
  if (!done) {
    // Every step is a rename of a verified file: the next run finishes them.
    Log().Line("未能按日志完成更新");
    if (!DriveStillAnswers()) return DriveGone();
    return Failure(kExitSwapFailed, Say(pi::kCommitUnfinished));
  }
  Log().Line("已按日志完成更新");
  CompleteCommit(folders_, &LogStep, &RemoveStaged);
  return {};
}

UpgradeResult Upgrade::Finish() {
  if (!DriveStillAnswers()) return DriveGone();
  Leftovers left;
  for (const std::string& folder : StakeFolders(target_)) {
    if (folder == folders_.toolSet || left.entries) continue;
    left = LeftoversIn(folder);
  }
  if (left.entries) Log().Line("未能删除 " + std::to_string(left.entries) + " 项，在 " + left.where);
  return {0, false, pi::kDoneTitle,
          Say(pi::kDoneText) + folders_.toolSet + Say(pi::kDoneFilesText) + std::to_string(listing_.files) +
              Say(pi::kDoneSizeText) + SizeText(listing_.totalBytes) + Say(pi::kFullStop) + ChangeCounts() +
              LeftoverText(left) + kParagraph + Say(pi::kSafeRemovalHint),
          left.entries ? uint32_t(kBoxWarning) : uint32_t(kBoxInformation)};
}

UpgradeResult Upgrade::Run() {
  BeginStoppable();
  ShowStage(Say(pi::kStageChecking));
  // A committed difference is finished before anything else looks at the
  // staging folder it still needs.
  if (PathExists(folders_.journal) || PathExists(folders_.asideFiles)) {
    ShowStage(Say(pi::kStageRecovering));
    if (!FinishInterruptedCommit(folders_, &LogStep, &RemoveStaged)) return DriveGone();
  }
  if (LookAt(folders_).Any()) {
    ShowStage(Say(pi::kStageRecovering));
    RecoverInterruptedUpgrade(folders_, &LogStep, &RemoveOldSet);
    ShowStage(Say(pi::kStageChecking));
  }
  // Read after the recovery: what it removed is room again.
  drive_ = ReadDriveFacts(target_);
  hadOld_ = PathExists(folders_.toolSet);
  LogDrive();
  if (hadOld_) {
    old_ = WalkOldSet(folders_.toolSet);
    readAhead_ = std::make_unique<CrcReadAhead>(target_, old_);
  }
  for (UpgradeResult (Upgrade::*step)() :
       {&Upgrade::ReadListing, &Upgrade::Compare, &Upgrade::JudgeRoom, &Upgrade::GiveUpOldSet, &Upgrade::Unpack,
        &Upgrade::Verify, &Upgrade::Swap, &Upgrade::Finish}) {
    if (StopRequested() && StopAllowed()) return Stopped();
    if (step == &Upgrade::Swap && difference_) step = &Upgrade::Commit;
    UpgradeResult result = (this->*step)();
    if (result.exitCode != 0 || result.refused || step == &Upgrade::Finish) return result;
  }
  return {};
}

}  // namespace

UpgradeResult RunUpgrade(const std::string& target) { return Upgrade(target).Run(); }

}  // namespace app
