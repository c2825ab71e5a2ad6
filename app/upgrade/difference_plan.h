// Which files of the tool set an upgrade must write, found by holding the
// archive's listing against the set already on the drive (pure). Only new
// and changed files are unpacked; the rest stay where they are.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/upgrade/archive_listing.h"

namespace app {

// An entry of the set on the drive, as walked under ZEDOVAV: its path in
// the listing's form (ZEDOVAV\sub\file.exe, UTF-8), its size and its
// FILE_ATTRIBUTE bits. ZEDOVAV itself may be among them or not.
struct OldEntry {
  std::string path;
  uint64_t size = 0;
  uint32_t attributes = 0;
  bool folder = false;
};

enum class FileChange : uint8_t { New, Changed, Unchanged, Removed };

struct PlannedFile {
  // The listing's spelling; the drive's for a removed file.
  std::string path;
  uint64_t size = 0;
  FileChange kind = FileChange::New;
  // The listing's attributes; the drive's for a removed file.
  uint32_t attributes = 0;
  // An unchanged file whose read-only, hidden or system bit differs from
  // the listing's: only its attributes are set.
  bool attributesOnly = false;
};

struct DifferencePlan {
  // The listed files in listing order, then the removed ones.
  std::vector<PlannedFile> files;
  // Listed folders (or folders a listed path lies in) not on the drive,
  // parents before children; ZEDOVAV itself is never among them.
  std::vector<std::string> newFolders;
  // Folders on the drive that are not listed, children before parents.
  std::vector<std::string> removedFolders;
  uint32_t added = 0, updated = 0, removed = 0, unchanged = 0;
  uint64_t bytesToWrite = 0;   // new and changed files
  uint64_t bytesCompared = 0;  // files whose CRC was read from the drive
  // The listing names one path both as a file and as a folder, or is no
  // tool set: nothing can be planned against it.
  bool unfit = false;
};

// One old file's CRC32 as read from the drive; nullopt when it cannot be
// read. Given the drive's spelling of the path.
using OldCrcReader = std::function<std::optional<uint32_t>(const std::string& path)>;

// Paths match with ASCII letters folded, as FAT on Windows has it; other
// bytes match only themselves. A file is unchanged when the drive holds it
// with the same size and CRC32 and its own name spelt alike: a name that
// differs in case is written again, so that the new spelling lands (a
// folder keeps the drive's spelling). An empty file matches an empty one
// unread. readCrc is asked only for files of the listed size that have a
// listed CRC, each at most once; a file of another size is never read. A
// file the listing gives no CRC, or that cannot be read, is changed. A
// folder where the listing has a file, or the other way round, is removed
// and the new entry added.
DifferencePlan PlanDifference(const ArchiveListing& listing, const std::vector<OldEntry>& old,
                              const OldCrcReader& readCrc);

// The bytes PlanDifference will read, for a percentage of the comparison
// as the reads go; it equals the plan's bytesCompared.
uint64_t BytesToCompare(const ArchiveListing& listing, const std::vector<OldEntry>& old);

// Whether to write only the difference, rather than unpack the whole set
// and swap folders. Only when some old file is kept, and what is written
// is at most half the set both by bytes (of totalBytes, the listing's) and
// by files: otherwise the swap costs little more, and it never leaves a
// mix of two sets on the drive, even for a moment.
bool DifferenceIsWorthIt(const DifferencePlan& plan, uint64_t totalBytes);

// The listing's new and changed files alone, in listing order: what is
// unpacked, flushed and read back.
ArchiveListing ListingToWrite(const ArchiveListing& listing, const DifferencePlan& plan);

}  // namespace app
