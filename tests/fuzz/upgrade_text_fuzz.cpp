// libFuzzer target for what the upgrade reads from texts: the target path
// the user types and the archiver's listing and progress output, fed in
// pieces as a pipe delivers them. A normalised path normalises to itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/upgrade/archive_listing.h"
#include "app/upgrade/archiver_output.h"
#include "app/upgrade/target_path.h"

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
  return 0;
}
