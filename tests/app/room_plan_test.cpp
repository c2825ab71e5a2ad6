// Whether the new tool set fits, beside the old one or only without it.
#include "app/upgrade/room_plan.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

ArchiveListing Files(std::vector<uint64_t> sizes) {
  ArchiveListing listing;
  for (uint64_t size : sizes) {
    ++listing.files;
    listing.sizes.push_back(size);
    listing.largestFile = std::max(listing.largestFile, size);
  }
  return listing;
}

TEST(RoomPlan, FitsBesideTheOldSetOnlyWithoutItOrNotAtAll) {
  // 100 files of one byte take 100 clusters of 4 KiB, plus their records.
  const ArchiveListing listing = Files(std::vector<uint64_t>(100, 1));
  const uint64_t onDisk = listing.BytesOnDisk(4096);
  EXPECT_EQ(onDisk, 100 * 4096u + 3 * 4096u);
  const RoomPlan fits = PlanRoom(listing, {onDisk + (1 << 20) + onDisk / 100, 4096, "FAT32"}, 0);
  EXPECT_EQ(fits.verdict, RoomVerdict::Fits);
  EXPECT_EQ(fits.needed, onDisk + (1 << 20) + onDisk / 100);
  EXPECT_EQ(PlanRoom(listing, {fits.needed - 1, 4096, "FAT32"}, 0).verdict, RoomVerdict::TooSmall);
  EXPECT_EQ(PlanRoom(listing, {fits.needed - 1, 4096, "FAT32"}, 1).verdict, RoomVerdict::FitsWithoutOld);
  EXPECT_EQ(PlanRoom(listing, {1000, 4096, "NTFS"}, UINT64_MAX).verdict, RoomVerdict::FitsWithoutOld);
  // Bigger clusters take more room for the same files.
  EXPECT_EQ(PlanRoom(listing, {fits.needed, 32768, "FAT32"}, 0).verdict, RoomVerdict::TooSmall);
}

TEST(RoomPlan, AFileOfFourGibibytesIsRefusedOnFatOnly) {
  const ArchiveListing big = Files({(uint64_t(4) << 30), 1});
  const uint64_t plenty = uint64_t(1) << 40;
  for (const char* fat : {"FAT", "FAT32"})
    EXPECT_EQ(PlanRoom(big, {plenty, 32768, fat}, 0).verdict, RoomVerdict::FileTooLargeForFat) << fat;
  for (const char* other : {"NTFS", "exFAT", ""})
    EXPECT_EQ(PlanRoom(big, {plenty, 32768, other}, 0).verdict, RoomVerdict::Fits) << other;
  EXPECT_EQ(PlanRoom(Files({(uint64_t(4) << 30) - 1}), {plenty, 32768, "FAT32"}, 0).verdict, RoomVerdict::Fits);
}

TEST(RoomPlan, SizesReadAsTheMessagesGiveThem) {
  EXPECT_EQ(SizeText(800), "800 字节");
  EXPECT_EQ(SizeText(12 * 1024), "12 KB");
  EXPECT_EQ(SizeText(320ull << 20), "320 MB");
  EXPECT_EQ(SizeText(3ull << 29), "1.5 GB");
}

}  // namespace
