#include "app/upgrade/read_back.h"

#include <zlib.h>

#include <memory>

#include "app/dll_commands.h"
#include "app/upgrade/wide_text.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {

constexpr uint32_t kRead = 0x80000000, kWrite = 0x40000000, kShareAll = 7, kOpenExisting = 3;
constexpr uint32_t kNoBuffering = 0x20000000, kSequentialScan = 0x08000000;
constexpr uint32_t kReadOnlyAttribute = 1;
// A multiple of every sector size, in memory that VirtualAlloc aligns to
// a page: what reading past the cache asks of both.
constexpr uint32_t kChunk = 1u << 20;
constexpr uint32_t kCommit = 0x3000, kReadWritePages = 4, kRelease = 0x8000;
constexpr uint32_t kInfinite = 0xFFFFFFFF;

std::wstring StagedPath(const std::wstring& root, const std::string& listed) {
  std::wstring path = root + L"\\" + WideOf(listed, kCodePageUtf8);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

uint32_t Open(const std::wstring& path, uint32_t access, uint32_t flags) {
  return Dll(pi::kDllCreateFileW, {Address(path.c_str()), access, kShareAll, 0, kOpenExisting, flags, 0});
}

}  // namespace

// Progress by bytes, each file weighing a little of its own; told at most
// every 100 ms, which is also when the wait window is served.
class Meter {
 public:
  Meter(const ArchiveListing& listing, const CheckProgress& percent) : Meter(0, percent) {
    for (const ListedFile& file : listing.fileList) all_ += file.size + kFileWeight;
  }
  Meter(uint64_t all, const CheckProgress& percent) : percent_(percent), all_(all) {
    last_ = Dll(pi::kDllGetTickCount, {});
    start_ = last_;
  }
  void Add(uint64_t bytes) {
    done_ += bytes;
    const uint32_t now = Dll(pi::kDllGetTickCount, {});
    if (now - last_ < 100) return;
    last_ = now;
    if (percent_) percent_(all_ ? static_cast<int>(done_ * 100 / all_) : 0);
  }
  void FileDone() { Add(kFileWeight); }
  uint32_t Elapsed() const { return Dll(pi::kDllGetTickCount, {}) - start_; }

 private:
  static constexpr uint64_t kFileWeight = 8192;
  const CheckProgress& percent_;
  uint64_t all_ = 0, done_ = 0;
  uint32_t last_ = 0, start_ = 0;
};

namespace {

StagedCheck Failed(CheckOutcome outcome, const ListedFile& file) {
  StagedCheck check;
  check.outcome = outcome;
  check.file = file.path;
  return check;
}

// FlushFileBuffers wants a handle that may write; a read-only file is made
// writable for the moment.
bool Flush(const std::wstring& path) {
  uint32_t file = Open(path, kRead | kWrite, 0);
  uint32_t restore = kInvalidAttributes;
  if (file == kInvalidHandle) {
    const uint32_t attributes = Dll(pi::kDllGetFileAttributesW, {Address(path.c_str())});
    if (attributes == kInvalidAttributes || !(attributes & kReadOnlyAttribute)) return false;
    if (!Dll(pi::kDllSetFileAttributesW, {Address(path.c_str()), attributes & ~kReadOnlyAttribute})) return false;
    restore = attributes;
    file = Open(path, kRead | kWrite, 0);
  }
  const bool flushed = file != kInvalidHandle && Dll(pi::kDllFlushFileBuffers, {file}) != 0;
  if (file != kInvalidHandle) CloseHandleWord(file);
  if (restore != kInvalidAttributes) Dll(pi::kDllSetFileAttributesW, {Address(path.c_str()), restore});
  return flushed;
}

// Reads a file of the drive to its end past the cache: its CRC32 and size.
CheckOutcome ReadCrc(const std::wstring& path, uint8_t* buffer, Meter& meter, const StopAsked& stopped,
                     uLong* crc, uint64_t* size) {
  const uint32_t file = Open(path, kRead, kNoBuffering | kSequentialScan);
  if (file == kInvalidHandle) return CheckOutcome::Unreadable;
  *crc = crc32(0, nullptr, 0);
  *size = 0;
  uint32_t got = kChunk;
  bool read = true;
  // A disk file reads short only at its end: no further read to learn it,
  // one request to the drive less per file. A short read that was not the
  // end shows as a wrong size.
  while (got == kChunk && (read = Dll(pi::kDllReadFile, {file, Address(buffer), kChunk, Address(&got), 0}) != 0) &&
         got > 0 && !stopped()) {
    *crc = crc32(*crc, buffer, got);
    *size += got;
    meter.Add(got);
  }
  CloseHandleWord(file);
  if (stopped()) return CheckOutcome::Stopped;
  return read ? CheckOutcome::Same : CheckOutcome::Unreadable;
}

// One staged file against the listing.
CheckOutcome ReadBackOne(const std::wstring& path, const ListedFile& listed, uint8_t* buffer, Meter& meter,
                         const StopAsked& stopped) {
  uLong crc = 0;
  uint64_t size = 0;
  const CheckOutcome outcome = ReadCrc(path, buffer, meter, stopped, &crc, &size);
  if (outcome != CheckOutcome::Same) return outcome;
  if (size != listed.size || (listed.hasCrc && crc != listed.crc)) return CheckOutcome::Differs;
  return CheckOutcome::Same;
}

}  // namespace

StagedCheck FlushStaged(const std::string& stagingRoot, const ArchiveListing& listing, const CheckProgress& percent,
                        const StopAsked& stopped) {
  const std::wstring root = LongPath(stagingRoot);
  Meter meter(listing, percent);
  StagedCheck check;
  for (const ListedFile& listed : listing.fileList) {
    if (stopped()) return Failed(CheckOutcome::Stopped, listed);
    if (!Flush(StagedPath(root, listed.path))) return Failed(CheckOutcome::Unreadable, listed);
    ++check.files;
    check.bytes += listed.size;
    meter.Add(listed.size);
    meter.FileDone();
  }
  check.milliseconds = meter.Elapsed();
  return check;
}

StagedCheck ReadBackStaged(const std::string& stagingRoot, const ArchiveListing& listing,
                           const CheckProgress& percent, const StopAsked& stopped) {
  const std::wstring root = LongPath(stagingRoot);
  auto* buffer = reinterpret_cast<uint8_t*>(Dll(pi::kDllVirtualAlloc, {0, kChunk, kCommit, kReadWritePages}));
  if (!buffer) return Failed(CheckOutcome::Unreadable, listing.fileList.empty() ? ListedFile{} : listing.fileList[0]);
  Meter meter(listing, percent);
  StagedCheck check;
  for (const ListedFile& listed : listing.fileList) {
    const CheckOutcome outcome = ReadBackOne(StagedPath(root, listed.path), listed, buffer, meter, stopped);
    if (outcome != CheckOutcome::Same) {
      check = Failed(outcome, listed);
      break;
    }
    ++check.files;
    check.bytes += listed.size;
    meter.FileDone();
  }
  Dll(pi::kDllVirtualFree, {Address(buffer), 0, kRelease});
  check.milliseconds = meter.Elapsed();
  return check;
}

DriveCrcReader::DriveCrcReader(const std::string& root, uint64_t totalBytes, const CheckProgress& percent,
                               const StopAsked& stopped)
    : root_(LongPath(root)),
      buffer_(reinterpret_cast<uint8_t*>(Dll(pi::kDllVirtualAlloc, {0, kChunk, kCommit, kReadWritePages}))),
      percent_(percent),
      meter_(std::make_unique<Meter>(totalBytes, percent_)),
      stopped_(stopped) {
  if (!root_.empty() && root_.back() == L'\\') root_.pop_back();
}

DriveCrcReader::~DriveCrcReader() {
  if (buffer_) Dll(pi::kDllVirtualFree, {Address(buffer_), 0, kRelease});
}

std::optional<uint32_t> DriveCrcReader::Read(const std::string& path) {
  uLong crc = 0;
  uint64_t size = 0;
  if (!buffer_ || ReadCrc(StagedPath(root_, path), buffer_, *meter_, stopped_, &crc, &size) != CheckOutcome::Same)
    return std::nullopt;
  bytes_ += size;
  return uint32_t(crc);
}

CrcReadAhead::CrcReadAhead(const std::string& root, const std::vector<OldEntry>& old) : root_(root) {
  for (const OldEntry& entry : old)
    if (!entry.folder) files_.push_back(entry.path);
  int32_t handle = 0;
  if (StartThread(Address(reinterpret_cast<const void*>(&CrcReadAhead::Entry)), Address(this), &handle))
    thread_ = static_cast<uint32_t>(handle);
}

uint32_t __stdcall CrcReadAhead::Entry(uint32_t self) {
  reinterpret_cast<CrcReadAhead*>(self)->ReadAll();
  return 0;
}

void CrcReadAhead::ReadAll() {
  DriveCrcReader reader(root_, 0, nullptr, [this] { return stop_.load(); });
  for (const std::string& file : files_) {
    if (stop_) break;
    if (const std::optional<uint32_t> crc = reader.Read(file)) crcs_[file] = *crc;
  }
  bytes_ = reader.BytesRead();
}

void CrcReadAhead::Stop() {
  stop_ = true;
  if (!thread_) return;
  Dll(pi::kDllWaitForSingleObject, {thread_, kInfinite});
  CloseHandleWord(thread_);
  thread_ = 0;
}

std::optional<uint32_t> CrcReadAhead::Known(const std::string& path) const {
  const auto found = crcs_.find(path);
  if (found == crcs_.end()) return std::nullopt;
  return found->second;
}

}  // namespace app
