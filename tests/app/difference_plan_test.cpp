// Writing only what changed: the plan, and its journal carried out on a
// simulated drive, cut after every step and redone from the start.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>

#include "app/upgrade/difference_plan.h"
#include "app/upgrade/upgrade_journal.h"

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
  // What is unpacked and read back: the seven written files, their bytes.
  const ArchiveListing toWrite = ListingToWrite(kNew, plan);
  EXPECT_EQ(toWrite.files, 7u);
  EXPECT_EQ(toWrite.fileList.size(), toWrite.sizes.size());
  EXPECT_EQ(toWrite.totalBytes, plan.bytesToWrite);

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

// --- the journal, carried out on a drive simulated as a set of paths ---

struct Node { std::string spelling; bool folder; std::string content; uint32_t attributes; };

std::string Folded(std::string path) {
  for (char& c : path) c = char(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

// Paths compare without case, as on FAT.
struct Drive {
  std::map<std::string, Node> nodes;
  const Node* At(const std::string& path) const {
    const auto found = nodes.find(Folded(path));
    return found == nodes.end() ? nullptr : &found->second;
  }
  void Put(const std::string& path, bool folder, const std::string& content = "", uint32_t attributes = 0) {
    const size_t slash = path.rfind('\\');
    EXPECT_TRUE(slash == std::string::npos || (At(path.substr(0, slash)) && At(path.substr(0, slash))->folder))
        << "no folder for " << path;
    nodes[Folded(path)] = {path, folder, content, attributes};
  }
  void Move(const JournalMove& move) {
    const Node* from = At(move.from);
    if (!from || At(move.to)) return;
    EXPECT_FALSE(from->folder) << move.from;
    Put(move.to, false, from->content, from->attributes);
    nodes.erase(Folded(move.from));
  }
  void RemoveFolder(const std::string& path) {
    if (!At(path) || !At(path)->folder) return;
    EXPECT_TRUE(Under(path).empty()) << path;
    nodes.erase(Folded(path));
  }
  // What lies under a folder, as "path content attributes".
  std::set<std::string> Under(const std::string& top) const {
    std::set<std::string> seen;
    for (const auto& [key, node] : nodes)
      if (key.rfind(Folded(top) + "\\", 0) == 0)
        seen.insert(node.spelling + (node.folder ? "\\" : " " + node.content + " " + std::to_string(node.attributes)));
    return seen;
  }
};

// Carries out the first `steps` steps (all of them when there are fewer).
void Carry(const Journal& journal, Drive* drive, size_t steps) {
  const auto take = [&] { return steps > 0 && steps-- > 0; };
  for (const JournalMove& move : journal.aside)
    if (take()) drive->Move(move);
  for (const std::string& folder : journal.removeFolders)
    if (take()) drive->RemoveFolder(folder);
  for (const std::string& folder : journal.createFolders)
    if (take() && !drive->At(folder)) drive->Put(folder, true);
  for (const JournalMove& move : journal.place)
    if (take()) drive->Move(move);
  for (const JournalAttributes& set : journal.attributes)
    if (take() && drive->At(set.path)) drive->nodes[Folded(set.path)].attributes = set.attributes;
}

TEST(UpgradeJournal, ARedoAfterACutAtAnyStepEndsWithTheNewSet) {
  const DifferencePlan plan = PlanDifference(kNew, kOld, DriveCrc);
  const std::optional<Journal> journal = ReadJournal(WriteJournal(JournalForPlan(plan, "ST", "AS")));
  ASSERT_TRUE(journal);
  const size_t steps = journal->Steps();
  EXPECT_EQ(journal->aside.back(), (JournalMove{"ZEDOVAV\\olddir\\inner\\o.txt", "AS\\8"}));

  // The old set, the new content where a file is unchanged; staged files
  // with their read-only and hidden bits lost. Attributes in decimal.
  Drive before;
  for (const char* folder : {"ZEDOVAV", "ST", "ST\\ZEDOVAV", "ST\\ZEDOVAV\\x", "ST\\ZEDOVAV\\newdir", "AS"})
    before.Put(folder, true);
  for (const OldEntry& entry : kOld)
    if (entry.path != "ZEDOVAV") before.Put(entry.path, entry.folder, entry.folder ? "" : "old", entry.attributes);
  for (const PlannedFile& file : plan.files) {
    if (file.kind == FileChange::Unchanged) before.nodes[Folded(file.path)].content = "new";
    if (file.kind == FileChange::New || file.kind == FileChange::Changed)
      before.Put("ST\\" + file.path, false, "new", A);
  }
  const std::set<std::string> newSet = {
      "ZEDOVAV\\same.exe new 0", "ZEDOVAV\\tool.exe new 32", "ZEDOVAV\\grown.txt new 32",
      "ZEDOVAV\\readme.txt new 32", "ZEDOVAV\\locked.bin new 32", "ZEDOVAV\\empty.txt new 32",
      "ZEDOVAV\\Sub\\", "ZEDOVAV\\Sub\\keep.ini new 33", "ZEDOVAV\\x\\", "ZEDOVAV\\x\\in.txt new 32",
      "ZEDOVAV\\y new 32", "ZEDOVAV\\newdir\\", "ZEDOVAV\\newdir\\n.txt new 34", "ZEDOVAV\\newdir\\deep\\"};

  for (size_t cut = 0; cut <= steps; ++cut) {
    for (size_t secondCut = 0; secondCut <= steps; ++secondCut) {
      SCOPED_TRACE(testing::Message() << "cut after " << cut << ", then after " << secondCut);
      Drive drive = before;
      // Cut twice, then carried out whole, then redone once more.
      for (size_t run : {cut, secondCut, steps, steps}) Carry(*journal, &drive, run);
      ASSERT_EQ(drive.Under("ZEDOVAV"), newSet);
      ASSERT_EQ(drive.Under("AS").size(), 8u);
      ASSERT_EQ(drive.Under("ST\\ZEDOVAV"), (std::set<std::string>{"ST\\ZEDOVAV\\newdir\\", "ST\\ZEDOVAV\\x\\"}));
    }
  }
}

TEST(UpgradeJournal, TextReadsBackAndATornOrAlteredOneDoesNot) {
  const Journal journal = {{{"ZEDOVAV\\tab\there", "AS\\1"}}, {"ZEDOVAV\\line\nbreak"}, {"ZEDOVAV\\100%"},
                           {{"ST\\ZEDOVAV\\\xE4\xB8\xAD.txt", "ZEDOVAV\\\xE4\xB8\xAD.txt"}}, {{"ZEDOVAV\\r", R | A}}};
  const std::string text = WriteJournal(journal);
  EXPECT_EQ(text.substr(0, text.rfind("end\t")),
            "ZEDOVAV upgrade journal 1\naside\tZEDOVAV\\tab%09here\tAS\\1\nrmdir\tZEDOVAV\\line%0Abreak\n"
            "mkdir\tZEDOVAV\\100%25\nplace\tST\\ZEDOVAV\\\xE4\xB8\xAD.txt\tZEDOVAV\\\xE4\xB8\xAD.txt\n"
            "attrib\t00000021\tZEDOVAV\\r\n");
  EXPECT_EQ(ReadJournal(text), journal);
  EXPECT_EQ(ReadJournal(WriteJournal({})), Journal{});

  for (size_t length = 0; length < text.size(); ++length)
    EXPECT_FALSE(ReadJournal(text.substr(0, length))) << "torn at " << length;
  for (size_t at = 0; at < text.size(); ++at)
    for (char flip : {'\x01', '\x20', '\x80'})
      EXPECT_FALSE(ReadJournal(text.substr(0, at) + char(text[at] ^ flip) + text.substr(at + 1))) << "byte " << at;
  EXPECT_FALSE(ReadJournal(text + "\n"));
}

}  // namespace
