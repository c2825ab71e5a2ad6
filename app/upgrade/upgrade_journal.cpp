#include "app/upgrade/upgrade_journal.h"

#include <zlib.h>

#include <algorithm>

namespace app {
namespace {

constexpr std::string_view kHeader = "ZEDOVAV upgrade journal 1";
constexpr char kHex[] = "0123456789ABCDEF";

std::string Joined(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path.append(name);
}

uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const size_t n = std::min<size_t>(bytes.size(), size_t(1) << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), uInt(n));
    bytes.remove_prefix(n);
  }
  return uint32_t(crc);
}

std::string Hex8(uint32_t value) {
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[size_t(i)] = kHex[value & 15];
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case is not how the journal is written
}

std::optional<uint32_t> ReadHex8(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | uint32_t(digit);
  }
  return value;
}

bool MustEscape(unsigned char c) { return c < 0x20 || c == '%'; }

std::string Escaped(std::string_view path) {
  std::string text;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (MustEscape(byte)) text += {'%', kHex[byte >> 4], kHex[byte & 15]};
    else text += c;
  }
  return text;
}

// Only the one way Escaped writes a path.
std::optional<std::string> Unescaped(std::string_view text) {
  std::string path;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      if (MustEscape(static_cast<unsigned char>(text[i]))) return std::nullopt;
      path += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0 || !MustEscape(static_cast<unsigned char>(high << 4 | low))) return std::nullopt;
    path += char(high << 4 | low);
    i += 2;
  }
  return path;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t tab; (tab = line.find('\t')) != std::string_view::npos; line.remove_prefix(tab + 1))
    fields.push_back(line.substr(0, tab));
  fields.push_back(line);
  return fields;
}

// The line kinds, in the order they must come.
enum Phase { kAside, kRemove, kCreate, kPlace, kAttributes, kPhases };
constexpr std::string_view kPhaseNames[kPhases] = {"aside", "rmdir", "mkdir", "place", "attrib"};
constexpr size_t kPhaseFields[kPhases] = {3, 2, 2, 3, 3};

bool TakeStep(std::string_view line, int* phase, Journal* journal) {
  const std::vector<std::string_view> fields = Fields(line);
  const auto named = std::find(std::begin(kPhaseNames), std::end(kPhaseNames), fields[0]);
  const int kind = int(named - std::begin(kPhaseNames));
  if (kind == kPhases || kind < *phase || fields.size() != kPhaseFields[kind]) return false;
  *phase = kind;
  std::optional<std::string> second = fields.size() > 2 ? Unescaped(fields[2]) : std::string();
  if (kind == kAttributes) {
    const std::optional<uint32_t> attributes = ReadHex8(fields[1]);
    if (!attributes || !second) return false;
    journal->attributes.push_back({std::move(*second), *attributes});
    return true;
  }
  std::optional<std::string> first = Unescaped(fields[1]);
  if (!first || !second) return false;
  if (kind == kAside) journal->aside.push_back({std::move(*first), std::move(*second)});
  if (kind == kRemove) journal->removeFolders.push_back(std::move(*first));
  if (kind == kCreate) journal->createFolders.push_back(std::move(*first));
  if (kind == kPlace) journal->place.push_back({std::move(*first), std::move(*second)});
  return true;
}

// A count as WriteJournal writes it: no sign, no leading zero.
std::optional<size_t> ReadCount(std::string_view text) {
  if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + size_t(c - '0');
  }
  return value;
}

}  // namespace

Journal JournalForPlan(const DifferencePlan& plan, std::string_view stagingRoot, std::string_view asideRoot) {
  Journal journal;
  size_t asideCount = 0;
  for (const PlannedFile& file : plan.files)
    if (file.kind == FileChange::Changed || file.kind == FileChange::Removed)
      journal.aside.push_back({file.path, Joined(asideRoot, std::to_string(++asideCount))});
  journal.removeFolders = plan.removedFolders;
  journal.createFolders = plan.newFolders;
  constexpr uint32_t kSetAgain = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;
  constexpr uint32_t kKept = kSetAgain | kAttributeArchive;
  for (const PlannedFile& file : plan.files) {
    if (file.kind == FileChange::New || file.kind == FileChange::Changed)
      journal.place.push_back({Joined(stagingRoot, file.path), file.path});
  }
  for (const PlannedFile& file : plan.files) {
    const bool written = file.kind == FileChange::New || file.kind == FileChange::Changed;
    if ((written && (file.attributes & kSetAgain)) || (file.kind == FileChange::Unchanged && file.attributesOnly))
      journal.attributes.push_back({file.path, file.attributes & kKept});
  }
  return journal;
}

std::string WriteJournal(const Journal& journal) {
  std::string text(kHeader);
  text += '\n';
  size_t lines = 1;
  const auto line = [&](Phase kind, std::string_view first, std::string_view second) {
    text.append(kPhaseNames[kind]).append("\t").append(first);
    if (kPhaseFields[kind] == 3) text.append("\t").append(second);
    text += '\n';
    ++lines;
  };
  for (const JournalMove& move : journal.aside) line(kAside, Escaped(move.from), Escaped(move.to));
  for (const std::string& folder : journal.removeFolders) line(kRemove, Escaped(folder), {});
  for (const std::string& folder : journal.createFolders) line(kCreate, Escaped(folder), {});
  for (const JournalMove& move : journal.place) line(kPlace, Escaped(move.from), Escaped(move.to));
  for (const JournalAttributes& set : journal.attributes) line(kAttributes, Hex8(set.attributes), Escaped(set.path));
  const uint32_t crc = Crc32(text);
  return text + "end\t" + std::to_string(lines) + "\t" + Hex8(crc) + "\n";
}

std::optional<Journal> ReadJournal(std::string_view text) {
  if (text.size() < 2 || text.back() != '\n') return std::nullopt;
  const size_t lastStart = text.rfind('\n', text.size() - 2);
  if (lastStart == std::string_view::npos) return std::nullopt;
  const std::string_view body = text.substr(0, lastStart + 1);
  const std::vector<std::string_view> end = Fields(text.substr(lastStart + 1, text.size() - lastStart - 2));
  if (end.size() != 3 || end[0] != "end") return std::nullopt;
  const std::optional<size_t> lines = ReadCount(end[1]);
  const std::optional<uint32_t> crc = ReadHex8(end[2]);
  if (!lines || !crc || *crc != Crc32(body) || *lines != size_t(std::count(body.begin(), body.end(), '\n')))
    return std::nullopt;

  Journal journal;
  int phase = kAside;
  std::string_view rest = body;
  for (bool header = true; !rest.empty(); header = false) {
    const size_t newline = rest.find('\n');
    const std::string_view line = rest.substr(0, newline);
    rest.remove_prefix(newline + 1);
    if (header ? line != kHeader : !TakeStep(line, &phase, &journal)) return std::nullopt;
  }
  return journal;
}

}  // namespace app
