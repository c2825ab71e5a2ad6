// libFuzzer target for what the upgrade reads from texts: the target path
// the user types and the archiver's listing and progress output, fed in
// pieces as a pipe delivers them, and the upgrade journal. A normalised
// path normalises to itself; a journal that reads is written back as it
// was; the listing planned against an old set made from it gives a journal
// that reads back.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/upgrade/archive_listing.h"
#include "app/upgrade/archiver_output.h"
#include "app/upgrade/difference_plan.h"
#include "app/upgrade/target_path.h"
#include "app/upgrade/upgrade_journal.h"

namespace {

// The last line of a journal whose lines before it are `text`.
std::string EndLine(const std::string& text) {
  char crc[9];
  const uLong value = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(text.data()), uInt(text.size()));
  std::snprintf(crc, sizeof crc, "%08lX", static_cast<unsigned long>(value & 0xFFFFFFFF));
  return "end\t" + std::to_string(std::count(text.begin(), text.end(), '\n')) + "\t" + crc + "\n";
}

void PlanAgainstItself(const app::ArchiveListing& listing, const uint8_t* data, size_t size) {
  std::vector<app::OldEntry> old;
  std::map<std::string, uint32_t> crcs;
  for (size_t i = 0; i < listing.fileList.size(); ++i) {
    const app::ListedFile& file = listing.fileList[i];
    const uint8_t bits = data[i % size];
    crcs[file.path] = file.crc ^ (bits & 0x10);
    if (!(bits & 1)) old.push_back({file.path, file.size + (bits >> 7), file.attributes ^ (bits & 6), bool(bits & 8)});
  }
  for (const std::string& folder : listing.folderList) old.push_back({folder + (size & 1 ? "" : "\\old"), 0, 0x10, true});
  std::map<std::string, int> asked;
  const app::DifferencePlan plan = app::PlanDifference(listing, old, [&](const std::string& path) {
    if (++asked[path] > 1) std::abort();
    return path.size() % 5 ? std::optional<uint32_t>(crcs[path]) : std::nullopt;
  });
  if (plan.bytesCompared != app::BytesToCompare(listing, old)) std::abort();
  if (size_t(plan.added) + plan.updated + plan.unchanged + plan.removed != plan.files.size()) std::abort();
  const app::Journal journal = app::JournalForPlan(plan, "ZEDOVAV.upgrade-new", "ZEDOVAV.upgrade-old");
  if (app::ReadJournal(app::WriteJournal(journal)) != journal) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const app::TargetPath target = app::NormaliseTarget(text);
  if (target.problem == app::TargetProblem::None) {
    const app::TargetPath again = app::NormaliseTarget(target.path);
    if (again.problem != app::TargetProblem::None || again.path != target.path) std::abort();
    for (const std::string& up : app::PathAndAncestors(target.path))
      if (up.size() > target.path.size()) std::abort();
  }
  const size_t piece = size ? 1 + data[0] % 17 : 1;
  app::ListingReader reader;
  app::ArchiverOutput output(8);
  for (size_t i = 0; i < size; i += piece) {
    const size_t n = std::min(piece, size - i);
    reader.Feed(text.data() + i, n);
    output.Feed(text.data() + i, n);
  }
  const app::ArchiveListing listing = reader.Finish();
  if (listing.sizes.size() != size_t(listing.files) + listing.folders) std::abort();
  const int percent = listing.PercentAfter(output.EntriesDone());
  if (percent < 0 || percent > 100 || output.Percent() > 100 || output.LastLines().size() > 8) std::abort();
  if (size) PlanAgainstItself(listing, data, size);

  // Read as it is, and past the CRC check; it reads only as it is written.
  for (const std::string& journalText : {text, text + EndLine(text)})
    if (const std::optional<app::Journal> journal = app::ReadJournal(journalText))
      if (app::WriteJournal(*journal) != journalText) std::abort();
  return 0;
}
