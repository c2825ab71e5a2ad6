// What was written is on the stick, and is what the archive holds: after
// the unpack and before anything of the old set moves, every staged file
// is flushed to the drive, then read back past the system's cache and its
// CRC32 held against the archive's listing.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/upgrade/archive_listing.h"
#include "app/upgrade/difference_plan.h"

namespace app {

enum class CheckOutcome { Same, Differs, Unreadable, Stopped };

struct StagedCheck {
  CheckOutcome outcome = CheckOutcome::Same;
  std::string file;  // the first file that failed, as the listing names it (UTF-8)
  uint32_t files = 0;
  uint64_t bytes = 0;
  uint32_t milliseconds = 0;
};

// percent(0-100) at most every 100 ms as the work goes on; stopped() is
// asked between pieces and must be cheap.
using CheckProgress = std::function<void(int percent)>;
using StopAsked = std::function<bool()>;

// stagingRoot holds the listing's paths (stagingRoot\ZEDOVAV\...).
StagedCheck FlushStaged(const std::string& stagingRoot, const ArchiveListing& listing, const CheckProgress& percent,
                        const StopAsked& stopped);
StagedCheck ReadBackStaged(const std::string& stagingRoot, const ArchiveListing& listing,
                           const CheckProgress& percent, const StopAsked& stopped);

class Meter;

// Files of the drive read past the cache for their CRC32, with a
// percentage over totalBytes; paths are the listing's, below root.
class DriveCrcReader {
 public:
  DriveCrcReader(const std::string& root, uint64_t totalBytes, const CheckProgress& percent, const StopAsked& stopped);
  ~DriveCrcReader();
  // nullopt when unreadable, or stopped.
  std::optional<uint32_t> Read(const std::string& path);
  uint64_t BytesRead() const { return bytes_; }

 private:
  std::wstring root_;
  uint8_t* buffer_;
  CheckProgress percent_;  // the meter holds it by reference
  std::unique_ptr<Meter> meter_;
  StopAsked stopped_;
  uint64_t bytes_ = 0;
};

// The old set's files read for their CRC32 on a thread of their own while
// the archiver lists the package, which takes it a while and needs nothing
// of the drive: the comparison then finds most of them read. Stop() ends
// the reading between two chunks and waits for it; what was read whole is
// known from then on, by the old set's paths.
class CrcReadAhead {
 public:
  CrcReadAhead(const std::string& root, const std::vector<OldEntry>& old);
  ~CrcReadAhead() { Stop(); }
  CrcReadAhead(const CrcReadAhead&) = delete;
  CrcReadAhead& operator=(const CrcReadAhead&) = delete;
  void Stop();
  std::optional<uint32_t> Known(const std::string& path) const;
  uint64_t BytesRead() const { return bytes_; }

 private:
  static uint32_t __stdcall Entry(uint32_t self);
  void ReadAll();

  std::string root_;
  std::vector<std::string> files_;
  std::unordered_map<std::string, uint32_t> crcs_;  // written by the thread alone until Stop() returns
  std::atomic<bool> stop_{false};
  uint32_t thread_ = 0;
  uint64_t bytes_ = 0;
};

}  // namespace app
