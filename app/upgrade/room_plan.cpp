#include "app/upgrade/room_plan.h"

#include <cstdio>

namespace app {
namespace {

// Room the file system needs besides the files: its own records, and what
// the estimate of directory records cannot know.
uint64_t Reserve(uint64_t onDisk) { return (uint64_t(1) << 20) + onDisk / 100; }

uint64_t Sum(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

}  // namespace

bool IsFatFileSystem(std::string_view fileSystem) {
  return fileSystem == "FAT" || fileSystem == "FAT32" || fileSystem == "FAT16" || fileSystem == "FAT12";
}

RoomPlan PlanRoom(const ArchiveListing& listing, const DriveRoom& drive, uint64_t oldSetBytes) {
  RoomPlan plan;
  const uint64_t onDisk = listing.BytesOnDisk(drive.clusterBytes);
  plan.needed = Sum(onDisk, Reserve(onDisk));
  if (IsFatFileSystem(drive.fileSystem) && listing.largestFile >= kFatFileLimit) {
    plan.verdict = RoomVerdict::FileTooLargeForFat;
  } else if (drive.freeBytes >= plan.needed) {
    plan.verdict = RoomVerdict::Fits;
  } else if (Sum(drive.freeBytes, oldSetBytes) >= plan.needed) {
    plan.verdict = RoomVerdict::FitsWithoutOld;
  } else {
    plan.verdict = RoomVerdict::TooSmall;
  }
  return plan;
}

std::string SizeText(uint64_t bytes) {
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024) return std::to_string(bytes) + " 字节";
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 3) value /= 1024, ++unit;
  char text[32];
  // One decimal below 10 (1.5 GB), whole numbers above (320 MB).
  std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
  return text;
}

}  // namespace app
