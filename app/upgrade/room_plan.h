// Whether the tool set fits on the drive, judged before anything on it
// changes (pure).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "app/upgrade/archive_listing.h"

namespace app {

struct DriveRoom {
  uint64_t freeBytes = 0;
  uint32_t clusterBytes = 0;  // 0 when unknown
  std::string fileSystem;     // "FAT32", "NTFS", ...; empty when unknown
};

enum class RoomVerdict {
  Fits,              // beside the old set, which stays until the new one is whole
  FitsWithoutOld,    // only once the old set is gone
  TooSmall,          // not even then
  FileTooLargeForFat,
};

struct RoomPlan {
  RoomVerdict verdict = RoomVerdict::TooSmall;
  uint64_t needed = 0;  // bytes the new set takes on this drive, with a reserve
};

// FAT and FAT32 keep no file of 4 GiB or more.
bool IsFatFileSystem(std::string_view fileSystem);
constexpr uint64_t kFatFileLimit = uint64_t(4) << 30;

// oldSetBytes: what the old ZEDOVAV takes on the drive (0 when none).
RoomPlan PlanRoom(const ArchiveListing& listing, const DriveRoom& drive, uint64_t oldSetBytes);

// "1.5 GB", "320 MB", "12 KB", "800 字节": sizes as the messages give them.
std::string SizeText(uint64_t bytes);

}  // namespace app
