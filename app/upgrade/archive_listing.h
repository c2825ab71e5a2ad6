// What the archiver's technical listing (7z l -slt -ba -sccUTF-8) says of
// the tool set, read as the output comes (pure). Paths are UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The FILE_ATTRIBUTE bits the listing's attribute letters stand for.
constexpr uint32_t kAttributeReadOnly = 0x1, kAttributeHidden = 0x2, kAttributeSystem = 0x4,
                   kAttributeFolder = 0x10, kAttributeArchive = 0x20;

// A file of the set as the archive lists it: its path (UTF-8, as the
// archiver is asked to write it), size, CRC32 when it has one, and its
// Windows attributes.
struct ListedFile {
  std::string path;
  uint64_t size = 0;
  uint32_t crc = 0;
  bool hasCrc = false;
  uint32_t attributes = 0;
};

struct ArchiveListing {
  uint32_t files = 0;
  uint32_t folders = 0;
  uint64_t totalBytes = 0;
  uint64_t largestFile = 0;
  std::string largestFileName;
  bool encrypted = false;
  // Some entry lies outside the one top folder ZEDOVAV (or is ZEDOVAV
  // itself as a file), or names a path that climbs out (.., a drive, a
  // leading backslash).
  bool strayEntry = false;
  // Each entry's size in listing order (folders 0); the archiver reports
  // its progress as a count of entries done.
  std::vector<uint64_t> sizes;
  // The files alone, in listing order: what is read back after the unpack.
  std::vector<ListedFile> fileList;
  // The folders' paths, in listing order (ZEDOVAV itself among them).
  std::vector<std::string> folderList;

  // A file at the end of the listing, counted with the rest.
  void AddFile(const ListedFile& file);
  // Fit for unpacking: something to unpack, all of it under ZEDOVAV.
  bool IsToolSet() const { return files > 0 && !strayEntry; }
  // Bytes the set takes on a drive whose clusters are clusterBytes.
  uint64_t BytesOnDisk(uint32_t clusterBytes) const;
  // Share of the unpacking done after entriesDone entries, 0-100: each
  // entry weighs its bytes and a fixed cost, as writing to a stick does.
  int PercentAfter(uint64_t entriesDone) const;
};

class ListingReader {
 public:
  void Feed(const char* text, size_t length);
  // The listing, with the last entry taken in even without a blank line.
  ArchiveListing Finish();

 private:
  void TakeLine(const std::string& line);
  void EndEntry();

  ArchiveListing listing_;
  std::string partial_;
  // The entry being read.
  std::string path_;
  uint64_t size_ = 0;
  uint32_t crc_ = 0;
  bool hasCrc_ = false;
  uint32_t attributes_ = 0;
  bool folder_ = false;
  bool inEntry_ = false;
};

}  // namespace app
