#include "app/upgrade/difference_commit.h"

#include "app/dll_commands.h"
#include "app/upgrade/wide_text.h"

namespace app {
namespace {

constexpr uint32_t kRead = 0x80000000, kWrite = 0x40000000, kShareRead = 1, kCreateAlways = 2, kOpenExisting = 3;
constexpr uint32_t kNormal = 0x80, kWriteThroughFile = 0x80000000, kWriteThroughMove = 8;

// WIN32_FIND_DATAW
struct FindDataW {
  uint32_t attributes;
  uint32_t times[6];
  uint32_t sizeHigh, sizeLow;
  uint32_t reserved[2];
  wchar_t name[260];
  wchar_t shortName[14];
};
static_assert(sizeof(FindDataW) == 592);

// A path of the journal's (relative to the folder that holds ZEDOVAV).
std::wstring OnDrive(const SwapFolders& folders, const std::string& relative) {
  std::wstring base = LongPath(folders.target);
  if (base.empty() || base.back() != L'\\') base += L'\\';
  return base + WideOf(relative, kCodePageUtf8);
}

uint32_t AttributesOf(const std::wstring& path) { return Dll(pi::kDllGetFileAttributesW, {Address(path.c_str())}); }
bool Exists(const std::wstring& path) { return AttributesOf(path) != kInvalidAttributes; }

void Walk(const std::wstring& folder, const std::string& prefix, std::vector<OldEntry>* entries) {
  FindDataW found{};
  const std::wstring pattern = folder + L"\\*";
  const uint32_t search = Dll(pi::kDllFindFirstFileW, {Address(pattern.c_str()), Address(&found)});
  if (search == kInvalidHandle) return;
  do {
    const std::wstring name = found.name;
    if (name == L"." || name == L"..") continue;
    OldEntry entry;
    entry.path = prefix + "\\" + NarrowOf(name, kCodePageUtf8);
    entry.attributes = found.attributes;
    entry.folder = (found.attributes & kDirectoryAttribute) != 0;
    entry.size = uint64_t(found.sizeHigh) << 32 | found.sizeLow;
    entries->push_back(entry);
    if (entry.folder && !(found.attributes & kReparsePointAttribute))
      Walk(folder + L"\\" + name, entry.path, entries);
  } while (Dll(pi::kDllFindNextFileW, {search, Address(&found)}));
  Dll(pi::kDllFindClose, {search});
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  const uint32_t file =
      Dll(pi::kDllCreateFileW, {Address(path.c_str()), kWrite, 0, 0, kCreateAlways, kNormal | kWriteThroughFile, 0});
  if (file == kInvalidHandle) return false;
  uint32_t written = 0;
  const bool ok = Dll(pi::kDllWriteFile, {file, Address(bytes.data()), uint32_t(bytes.size()), Address(&written), 0}) &&
                  written == bytes.size() && Dll(pi::kDllFlushFileBuffers, {file});
  CloseHandleWord(file);
  return ok;
}

bool ReadWhole(const std::wstring& path, std::string* bytes) {
  const uint32_t file = Dll(pi::kDllCreateFileW, {Address(path.c_str()), kRead, kShareRead, 0, kOpenExisting, 0, 0});
  if (file == kInvalidHandle) return false;
  const uint32_t size = Dll(pi::kDllGetFileSize, {file, 0});
  bytes->assign(size == kInvalidHandle ? 0 : size, '\0');
  uint32_t got = 0;
  const bool ok = size != kInvalidHandle &&
                  (size == 0 || Dll(pi::kDllReadFile, {file, Address(bytes->data()), size, Address(&got), 0})) &&
                  got == size;
  CloseHandleWord(file);
  return ok;
}

bool DeleteFileOnDrive(const std::wstring& path) {
  Dll(pi::kDllSetFileAttributesW, {Address(path.c_str()), kNormal});
  return Dll(pi::kDllDeleteFileW, {Address(path.c_str())}) != 0;
}

// Carried out only when from is there and to is not; otherwise done before.
bool Move(const SwapFolders& folders, const JournalMove& move) {
  const std::wstring from = OnDrive(folders, move.from), to = OnDrive(folders, move.to);
  if (!Exists(from) || Exists(to)) return true;
  return Dll(pi::kDllMoveFileExW, {Address(from.c_str()), Address(to.c_str()), kWriteThroughMove}) != 0;
}

}  // namespace

std::vector<OldEntry> WalkOldSet(const std::string& toolSet) {
  std::vector<OldEntry> entries;
  Walk(LongPath(toolSet), "ZEDOVAV", &entries);
  return entries;
}

bool WriteListFile(const std::string& staging, const std::string& path, const ArchiveListing& toWrite) {
  const std::wstring folder = LongPath(staging);
  if (!Exists(folder) && !Dll(pi::kDllCreateDirectoryW, {Address(folder.c_str()), 0})) return false;
  std::string text;
  for (const ListedFile& file : toWrite.fileList) text += file.path + "\r\n";
  return WriteWhole(LongPath(path), text);
}

bool WriteJournalFile(const SwapFolders& folders, const Journal& journal) {
  const std::wstring aside = LongPath(folders.asideFiles);
  if (!Exists(aside) && !Dll(pi::kDllCreateDirectoryW, {Address(aside.c_str()), 0})) return false;
  const std::string text = WriteJournal(journal);
  const std::wstring path = LongPath(folders.journal);
  std::string back;
  return WriteWhole(path, text) && ReadWhole(path, &back) && back == text;
}

void AbandonJournal(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove) {
  const std::wstring journal = LongPath(folders.journal);
  if (Exists(journal)) DeleteFileOnDrive(journal);
  if (PathExists(folders.asideFiles)) GiveUp(folders, folders.asideFiles, log, remove);
}

bool CarryOutJournal(const SwapFolders& folders, const Journal& journal, const std::function<void(size_t)>& done) {
  size_t steps = 0;
  const auto step = [&] {
    if (done) done(++steps);
  };
  for (const JournalMove& move : journal.aside) {
    if (!Move(folders, move)) return false;
    step();
  }
  // A folder left behind (something in it the walk could not see) costs
  // nothing of the new set: it is not worth a commit that never ends.
  for (const std::string& folder : journal.removeFolders) {
    const std::wstring path = OnDrive(folders, folder);
    const uint32_t attributes = AttributesOf(path);
    if (attributes != kInvalidAttributes && (attributes & kDirectoryAttribute)) {
      Dll(pi::kDllSetFileAttributesW, {Address(path.c_str()), kNormal});
      Dll(pi::kDllRemoveDirectoryW, {Address(path.c_str())});
    }
    step();
  }
  for (const std::string& folder : journal.createFolders) {
    const std::wstring path = OnDrive(folders, folder);
    if (!Exists(path) && !Dll(pi::kDllCreateDirectoryW, {Address(path.c_str()), 0})) return false;
    step();
  }
  for (const JournalMove& move : journal.place) {
    if (!Move(folders, move)) return false;
    step();
  }
  for (const JournalAttributes& set : journal.attributes) {
    const std::wstring path = OnDrive(folders, set.path);
    if (Exists(path)) Dll(pi::kDllSetFileAttributesW, {Address(path.c_str()), set.attributes ? set.attributes : kNormal});
    step();
  }
  return true;
}

void CompleteCommit(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove) {
  const std::wstring journal = LongPath(folders.journal);
  if (Exists(journal) && !DeleteFileOnDrive(journal)) {
    log("未能删除 " + folders.journal);
    return;
  }
  log("已删除 " + folders.journal);
  for (const std::string& folder : {folders.asideFiles, folders.staging})
    if (PathExists(folder)) GiveUp(folders, folder, log, remove);
}

bool FinishInterruptedCommit(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove) {
  const std::wstring path = LongPath(folders.journal);
  if (!Exists(path)) {
    if (PathExists(folders.asideFiles)) GiveUp(folders, folders.asideFiles, log, remove);
    return true;
  }
  std::string text;
  const std::optional<Journal> journal = ReadWhole(path, &text) ? ReadJournal(text) : std::nullopt;
  if (!journal) {
    // Torn: it never committed anything, and what was staged goes with
    // the ordinary recovery.
    log("日志不完整，未提交：" + folders.journal);
    AbandonJournal(folders, log, remove);
    return !Exists(path);
  }
  log("按日志完成上次的更新：" + std::to_string(journal->Steps()) + " 步");
  if (!CarryOutJournal(folders, *journal, nullptr)) {
    log("未能按日志完成更新");
    return false;
  }
  CompleteCommit(folders, log, remove);
  return true;
}

}  // namespace app
