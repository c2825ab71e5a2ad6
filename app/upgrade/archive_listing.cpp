#include "app/upgrade/archive_listing.h"

#include "app/upgrade/target_path.h"

namespace app {
namespace {

// A listed entry's names. UTF-8 never has a backslash inside a character.
std::vector<std::string> NamesOf(const std::string& path) {
  std::vector<std::string> names(1);
  for (char c : path) {
    if (c == '\\' || c == '/') names.emplace_back();
    else names.back() += c;
  }
  return names;
}

bool UnderTopFolder(const std::string& path, bool folder) {
  const std::vector<std::string> names = NamesOf(path);
  if (!SameName(names.front(), "ZEDOVAV")) return false;
  if (names.size() == 1) return folder;
  for (size_t i = 1; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (name.empty() || name == "." || name == ".." || name.find(':') != std::string::npos) return false;
  }
  return true;
}

uint64_t Decimal(const std::string& text) {
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return UINT64_MAX;
    value = value * 10 + digit;
  }
  return value;
}

// Eight hex digits, as the listing writes a CRC; false for anything else.
bool Hex32(const std::string& text, uint32_t* value) {
  if (text.size() != 8) return false;
  uint32_t v = 0;
  for (char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = uint32_t(c - '0');
    else if (c >= 'A' && c <= 'F') digit = uint32_t(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') digit = uint32_t(c - 'a' + 10);
    else return false;
    v = v << 4 | digit;
  }
  *value = v;
  return true;
}

// The letters before the first space ("RHA -r--r--r--"); letters other
// than R, H, S, D and A stand for bits the upgrade has no use for.
uint32_t AttributeBits(const std::string& text) {
  uint32_t bits = 0;
  for (char c : text) {
    if (c == ' ') break;
    if (c == 'R') bits |= kAttributeReadOnly;
    else if (c == 'H') bits |= kAttributeHidden;
    else if (c == 'S') bits |= kAttributeSystem;
    else if (c == 'D') bits |= kAttributeFolder;
    else if (c == 'A') bits |= kAttributeArchive;
  }
  return bits;
}

uint64_t RoundUp(uint64_t bytes, uint64_t unit) {
  if (unit <= 1 || bytes % unit == 0) return bytes;
  const uint64_t rounded = bytes + (unit - bytes % unit);
  return rounded < bytes ? UINT64_MAX : rounded;
}

uint64_t AddSaturated(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

// What an entry costs besides its bytes: its directory record and the
// file system's bookkeeping, which dominate for small files on a stick.
constexpr uint64_t kEntryWeight = 8192;
// A directory record with a long name, for the room estimate.
constexpr uint64_t kRecordBytes = 96;

}  // namespace

uint64_t ArchiveListing::BytesOnDisk(uint32_t clusterBytes) const {
  const uint64_t cluster = clusterBytes ? clusterBytes : 1;
  uint64_t total = 0;
  size_t entry = 0;
  for (uint64_t size : sizes) total = AddSaturated(total, RoundUp(size, cluster)), ++entry;
  total = AddSaturated(total, uint64_t(folders) * cluster);
  return AddSaturated(total, RoundUp(uint64_t(entry) * kRecordBytes, cluster));
}

int ArchiveListing::PercentAfter(uint64_t entriesDone) const {
  // In doubles: the sums of huge sizes must not saturate into each other.
  double done = 0, all = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const double weight = static_cast<double>(sizes[i]) + kEntryWeight;
    all += weight;
    if (i < entriesDone) done += weight;
  }
  return all > 0 ? static_cast<int>(done * 100 / all) : 0;
}

void ArchiveListing::AddFile(const ListedFile& file) {
  ++files;
  totalBytes = AddSaturated(totalBytes, file.size);
  sizes.push_back(file.size);
  fileList.push_back(file);
  if (file.size >= largestFile) {
    largestFile = file.size;
    largestFileName = file.path;
  }
}

void ListingReader::Feed(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '\n') {
      TakeLine(partial_);
      partial_.clear();
    } else if (c != '\r') {
      partial_ += c;
    }
  }
}

ArchiveListing ListingReader::Finish() {
  if (!partial_.empty()) TakeLine(partial_);
  partial_.clear();
  EndEntry();
  ArchiveListing done = std::move(listing_);
  listing_ = {};
  return done;
}

void ListingReader::TakeLine(const std::string& line) {
  if (line.empty()) return EndEntry();
  const size_t equals = line.find(" = ");
  const bool bare = equals == std::string::npos && line.size() >= 2 && line.compare(line.size() - 2, 2, " =") == 0;
  if (equals == std::string::npos && !bare) return;
  const std::string key = line.substr(0, bare ? line.size() - 2 : equals);
  const std::string value = bare ? std::string() : line.substr(equals + 3);
  if (key == "Path") {
    EndEntry();
    inEntry_ = true;
    path_ = value;
  } else if (!inEntry_) {
    return;
  } else if (key == "Size") {
    size_ = Decimal(value);
  } else if (key == "Attributes") {
    // A hidden or read-only folder lists its D after H or R.
    attributes_ = AttributeBits(value);
    folder_ = folder_ || (attributes_ & kAttributeFolder);
  } else if (key == "Folder") {
    folder_ = folder_ || value == "+";
  } else if (key == "CRC") {
    hasCrc_ = Hex32(value, &crc_);
  } else if (key == "Encrypted") {
    listing_.encrypted = listing_.encrypted || value == "+";
  }
}

void ListingReader::EndEntry() {
  if (!inEntry_) return;
  inEntry_ = false;
  if (!UnderTopFolder(path_, folder_)) listing_.strayEntry = true;
  if (folder_) {
    ++listing_.folders;
    listing_.sizes.push_back(0);
    listing_.folderList.push_back(path_);
  } else {
    listing_.AddFile({path_, size_, crc_, hasCrc_, attributes_});
  }
  path_.clear();
  size_ = 0;
  crc_ = 0;
  hasCrc_ = false;
  attributes_ = 0;
  folder_ = false;
}

}  // namespace app
