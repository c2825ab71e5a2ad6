// Writing only what changed: the plan held against a set on the drive.
#include <gtest/gtest.h>

#include <map>

#include "app/upgrade/difference_plan.h"

using namespace app;

namespace {

constexpr uint32_t A = kAttributeArchive, R = kAttributeReadOnly, H = kAttributeHidden;

ArchiveListing Listing(std::vector<ListedFile> files, std::vector<std::string> folders) {
  ArchiveListing listing;
  listing.files = uint32_t(files.size());
  listing.fileList = std::move(files), listing.folderList = std::move(folders);
  return listing;
}

// Changed, new, removed and unchanged files, a file that became a folder
// and a folder that became a file, a folder whose name differs in case.
const ArchiveListing kNew =
    Listing({{"ZEDOVAV\\same.exe", 10, 1, true, A}, {"ZEDOVAV\\tool.exe", 10, 2, true, A},
             {"ZEDOVAV\\grown.txt", 7, 3, true, A}, {"ZEDOVAV\\readme.txt", 6, 4, true, A},
             {"ZEDOVAV\\locked.bin", 8, 5, true, A}, {"ZEDOVAV\\empty.txt", 0, 0, false, A},
             {"ZEDOVAV\\sub\\keep.ini", 3, 7, true, R | A}, {"ZEDOVAV\\x\\in.txt", 2, 8, true, A},
             {"ZEDOVAV\\y", 2, 9, true, A}, {"ZEDOVAV\\newdir\\n.txt", 2, 10, true, H | A}},
            {"ZEDOVAV", "ZEDOVAV\\sub", "ZEDOVAV\\x", "ZEDOVAV\\newdir", "ZEDOVAV\\newdir\\deep"});
const std::vector<OldEntry> kOld = {
    {"ZEDOVAV", 0, 0x10, true}, {"ZEDOVAV\\same.exe", 10, 0, false}, {"ZEDOVAV\\tool.exe", 10, A, false},
    {"ZEDOVAV\\grown.txt", 5, A, false}, {"ZEDOVAV\\README.TXT", 6, A, false}, {"ZEDOVAV\\locked.bin", 8, A, false},
    {"ZEDOVAV\\empty.txt", 0, A, false}, {"ZEDOVAV\\Sub", 0, 0x10, true}, {"ZEDOVAV\\Sub\\keep.ini", 3, A, false},
    {"ZEDOVAV\\gone.txt", 1, A, false}, {"ZEDOVAV\\x", 4, A, false}, {"ZEDOVAV\\y", 0, 0x10, true},
    {"ZEDOVAV\\y\\f.txt", 1, A, false}, {"ZEDOVAV\\olddir", 0, 0x10, true}, {"ZEDOVAV\\olddir\\inner", 0, 0x10, true},
    {"ZEDOVAV\\olddir\\inner\\o.txt", 1, A, false}};

// The drive's CRCs: tool.exe was edited, locked.bin cannot be read.
std::optional<uint32_t> DriveCrc(const std::string& path) {
  const std::map<std::string, uint32_t> crcs = {{"ZEDOVAV\\same.exe", 1}, {"ZEDOVAV\\tool.exe", 99},
                                                {"ZEDOVAV\\Sub\\keep.ini", 7}, {"ZEDOVAV\\README.TXT", 4}};
  return crcs.contains(path) ? std::optional(crcs.at(path)) : std::nullopt;
}

// The plan's files of one kind, below ZEDOVAV\.
std::string Kind(const DifferencePlan& plan, FileChange kind) {
  std::string paths;
  for (const PlannedFile& file : plan.files)
    if (file.kind == kind) paths += file.path.substr(8) + (file.attributesOnly ? "(attributes) " : " ");
  return paths;
}

TEST(DifferencePlan, WritesOnlyNewAndChangedFilesAndReadsOnlyWhatCanBeEqual) {
  std::vector<std::string> asked;
  const DifferencePlan plan = PlanDifference(kNew, kOld, [&](const std::string& path) {
    asked.push_back(path);
    return DriveCrc(path);
  });
  // Never a file of another size, a renamed one, or an empty one; the
  // drive's spelling of the folder.
  EXPECT_EQ(asked, (std::vector<std::string>{"ZEDOVAV\\same.exe", "ZEDOVAV\\tool.exe", "ZEDOVAV\\locked.bin",
                                             "ZEDOVAV\\Sub\\keep.ini"}));
  EXPECT_EQ(plan.bytesCompared, 31u);
  EXPECT_EQ(BytesToCompare(kNew, kOld), 31u);

  // Only the read-only bit counts as an attribute change, not the archive bit.
  EXPECT_EQ(Kind(plan, FileChange::Unchanged), "same.exe empty.txt sub\\keep.ini(attributes) ");
  EXPECT_EQ(Kind(plan, FileChange::Changed), "tool.exe grown.txt readme.txt locked.bin ");
  EXPECT_EQ(Kind(plan, FileChange::New), "x\\in.txt y newdir\\n.txt ");
  EXPECT_EQ(Kind(plan, FileChange::Removed), "gone.txt x y\\f.txt olddir\\inner\\o.txt ");
  EXPECT_EQ(plan.newFolders, (std::vector<std::string>{"ZEDOVAV\\x", "ZEDOVAV\\newdir", "ZEDOVAV\\newdir\\deep"}));
  EXPECT_EQ(plan.removedFolders, (std::vector<std::string>{"ZEDOVAV\\olddir\\inner", "ZEDOVAV\\y", "ZEDOVAV\\olddir"}));
  EXPECT_EQ(std::vector<uint32_t>({plan.added, plan.updated, plan.removed, plan.unchanged}),
            (std::vector<uint32_t>{3, 4, 4, 3}));
  EXPECT_EQ(plan.bytesToWrite, 37u);
  EXPECT_FALSE(DifferenceIsWorthIt(plan, 50));  // 37 of 50 bytes

  // A path that is both a file and a folder in the listing: no plan, nothing read.
  ArchiveListing twice = kNew;
  twice.folderList.push_back("ZEDOVAV\\Y");
  const DifferencePlan unfit = PlanDifference(twice, kOld, [](const std::string&) {
    ADD_FAILURE() << "read";
    return std::optional<uint32_t>();
  });
  EXPECT_TRUE(unfit.unfit && unfit.files.empty() && !DifferenceIsWorthIt(unfit, 0));
}

TEST(DifferencePlan, IsWorthItOnlyWhenAtMostHalfTheSetIsWritten) {
  const ArchiveListing set = Listing({{"ZEDOVAV\\a", 50, 1, true, A}, {"ZEDOVAV\\b", 50, 2, true, A}}, {});
  const auto worthIt = [&](uint64_t sizeOfB, uint32_t crcOnDrive, uint64_t totalBytes) {
    const std::vector<OldEntry> old = {{"ZEDOVAV\\a", 50, A, false}, {"ZEDOVAV\\b", sizeOfB, A, false}};
    return DifferenceIsWorthIt(PlanDifference(set, old, [=](const std::string&) { return crcOnDrive; }), totalBytes);
  };
  EXPECT_TRUE(worthIt(50, 1, 100));   // b changed: half the bytes and files
  EXPECT_FALSE(worthIt(49, 1, 99));   // 50 of 99 bytes
  EXPECT_FALSE(worthIt(50, 7, 100));  // both changed
  EXPECT_FALSE(DifferenceIsWorthIt(PlanDifference(set, {}, DriveCrc), 100));  // no old set
  DifferencePlan manyFiles;
  manyFiles.updated = 2, manyFiles.unchanged = 1;
  EXPECT_FALSE(DifferenceIsWorthIt(manyFiles, 100));  // 2 of 3 files, no bytes
}

}  // namespace
