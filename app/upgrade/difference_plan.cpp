#include "app/upgrade/difference_plan.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace app {
namespace {

// The path as FAT compares it.
std::string Folded(std::string_view path) {
  std::string key(path);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return key;
}

bool IsTop(std::string_view path) { return Folded(path) == "zedovav"; }

std::string_view OwnName(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

size_t Depth(const std::string& path) { return size_t(std::count(path.begin(), path.end(), '\\')); }

uint64_t AddSaturated(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

bool MoreThanHalf(uint64_t share, uint64_t whole) { return share > whole || share > whole - share; }

// Paths in the order first met, found again by their folded form; the
// first spelling met is kept.
class PathSet {
 public:
  size_t Add(const std::string& path) {
    const auto [at, added] = index_.emplace(Folded(path), paths.size());
    if (added) paths.push_back(path);
    return at->second;
  }
  std::optional<size_t> Find(const std::string& path) const {
    const auto at = index_.find(Folded(path));
    if (at == index_.end()) return std::nullopt;
    return at->second;
  }
  std::vector<std::string> paths;

 private:
  std::unordered_map<std::string, size_t> index_;
};

// The folders below ZEDOVAV that a path lies in, outermost first.
void AddFoldersAbove(const std::string& path, PathSet* folders) {
  for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!folder.empty() && !IsTop(folder)) folders->Add(folder);
  }
}

// Both sides, each listed file with the old file at its path.
struct Sides {
  bool unfit = false;
  PathSet listedFolders, oldFolders, oldFileIndex;
  std::vector<const ListedFile*> listed;  // one a path, the last listed
  std::vector<const OldEntry*> oldFiles;  // one a path, the first walked
  std::vector<std::optional<size_t>> oldOf;

  // Its CRC is worth reading: nothing but the bytes can tell it changed.
  bool WorthReading(size_t i) const {
    if (!oldOf[i]) return false;
    const ListedFile& file = *listed[i];
    const OldEntry& was = *oldFiles[*oldOf[i]];
    return file.hasCrc && was.size == file.size && OwnName(was.path) == OwnName(file.path);
  }
};

Sides Match(const ArchiveListing& listing, const std::vector<OldEntry>& old) {
  Sides sides;
  sides.unfit = !listing.IsToolSet();
  for (const std::string& folder : listing.folderList) {
    AddFoldersAbove(folder, &sides.listedFolders);
    if (!IsTop(folder)) sides.listedFolders.Add(folder);
  }
  PathSet listedFiles;
  for (const ListedFile& file : listing.fileList) {
    AddFoldersAbove(file.path, &sides.listedFolders);
    const size_t i = listedFiles.Add(file.path);
    if (i == sides.listed.size()) sides.listed.push_back(&file);
    else sides.listed[i] = &file;  // the archiver unpacks the last one over the others
  }
  for (const OldEntry& entry : old) {
    AddFoldersAbove(entry.path, &sides.oldFolders);
    if (entry.folder) {
      if (!IsTop(entry.path)) sides.oldFolders.Add(entry.path);
    } else if (sides.oldFileIndex.Add(entry.path) == sides.oldFiles.size()) {
      sides.oldFiles.push_back(&entry);
    }
  }
  for (const std::string& path : listedFiles.paths) sides.unfit |= bool(sides.listedFolders.Find(path));
  // Only a broken walk has a file and a folder under one name.
  for (const std::string& path : sides.oldFileIndex.paths) sides.unfit |= bool(sides.oldFolders.Find(path));
  for (const ListedFile* file : sides.listed) sides.oldOf.push_back(sides.oldFileIndex.Find(file->path));
  return sides;
}

}  // namespace

DifferencePlan PlanDifference(const ArchiveListing& listing, const std::vector<OldEntry>& old,
                              const OldCrcReader& readCrc) {
  DifferencePlan plan;
  const Sides sides = Match(listing, old);
  if (sides.unfit) {
    plan.unfit = true;
    return plan;
  }
  std::vector<bool> kept(sides.oldFiles.size());
  for (size_t i = 0; i < sides.listed.size(); ++i) {
    const ListedFile& file = *sides.listed[i];
    PlannedFile planned{file.path, file.size, FileChange::New, file.attributes, false};
    if (sides.oldOf[i]) {
      const OldEntry& was = *sides.oldFiles[*sides.oldOf[i]];
      kept[*sides.oldOf[i]] = true;
      planned.kind = FileChange::Changed;
      // The listing gives an empty file no CRC, and none is needed.
      const bool bothEmpty = file.size == 0 && was.size == 0 && !file.hasCrc && OwnName(was.path) == OwnName(file.path);
      if (bothEmpty) planned.kind = FileChange::Unchanged;
      if (sides.WorthReading(i)) {
        plan.bytesCompared = AddSaturated(plan.bytesCompared, file.size);
        const std::optional<uint32_t> crc = readCrc ? readCrc(was.path) : std::nullopt;
        if (crc && *crc == file.crc) planned.kind = FileChange::Unchanged;
      }
      // The archive bit is Windows' own note of a write, not the set's.
      constexpr uint32_t kMeant = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;
      planned.attributesOnly =
          planned.kind == FileChange::Unchanged && ((was.attributes ^ file.attributes) & kMeant) != 0;
    }
    if (planned.kind == FileChange::Unchanged) {
      ++plan.unchanged;
    } else {
      ++(planned.kind == FileChange::New ? plan.added : plan.updated);
      plan.bytesToWrite = AddSaturated(plan.bytesToWrite, file.size);
    }
    plan.files.push_back(std::move(planned));
  }
  for (size_t j = 0; j < sides.oldFiles.size(); ++j) {
    if (kept[j]) continue;
    const OldEntry& was = *sides.oldFiles[j];
    plan.files.push_back({was.path, was.size, FileChange::Removed, was.attributes, false});
    ++plan.removed;
  }
  for (const std::string& folder : sides.listedFolders.paths)
    if (!sides.oldFolders.Find(folder)) plan.newFolders.push_back(folder);
  for (const std::string& folder : sides.oldFolders.paths)
    if (!sides.listedFolders.Find(folder)) plan.removedFolders.push_back(folder);
  std::stable_sort(plan.newFolders.begin(), plan.newFolders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) < Depth(b); });
  std::stable_sort(plan.removedFolders.begin(), plan.removedFolders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  return plan;
}

uint64_t BytesToCompare(const ArchiveListing& listing, const std::vector<OldEntry>& old) {
  const Sides sides = Match(listing, old);
  uint64_t bytes = 0;
  if (sides.unfit) return 0;
  for (size_t i = 0; i < sides.listed.size(); ++i)
    if (sides.WorthReading(i)) bytes = AddSaturated(bytes, sides.listed[i]->size);
  return bytes;
}

bool DifferenceIsWorthIt(const DifferencePlan& plan, uint64_t totalBytes) {
  if (plan.unfit || plan.unchanged == 0) return false;
  const uint64_t written = uint64_t(plan.added) + plan.updated;
  return !MoreThanHalf(plan.bytesToWrite, totalBytes) && !MoreThanHalf(written, written + plan.unchanged);
}

ArchiveListing ListingToWrite(const ArchiveListing& listing, const DifferencePlan& plan) {
  std::unordered_set<std::string> written;
  for (const PlannedFile& file : plan.files)
    if (file.kind == FileChange::New || file.kind == FileChange::Changed) written.insert(file.path);
  ArchiveListing part;
  for (const ListedFile& file : listing.fileList)
    if (written.count(file.path)) part.AddFile(file);
  return part;
}

}  // namespace app
