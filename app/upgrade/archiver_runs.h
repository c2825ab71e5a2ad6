// The archiver's two runs: the listing that comes before anything on the
// drive changes, and the unpack into the staging folder with its progress.
// Every path on their command lines is quoted.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "app/upgrade/archive_listing.h"
#include "app/upgrade/archiver_output.h"

namespace app {

struct ArchiverRun {
  bool started = false;
  int32_t exitCode = -1;
  std::string commandLine;
  ArchiverOutput output;
};

// The listing of the archive, and how the run went.
ArchiverRun ListArchive(const std::string& runDirectory, ArchiveListing* listing);
// Unpacks into staging (only the paths of listFile, when given: UTF-8, one
// a line); progress(output) after each piece of output; a signal of the
// event stop ends the archiver.
ArchiverRun UnpackArchive(const std::string& runDirectory, const std::string& staging, uint32_t stop,
                          const std::function<void(const ArchiverOutput&)>& progress,
                          const std::string& listFile = {});

// The archiver's exit code in its own terms, for a failure box: of the
// listing, which writes nothing, or of the unpack.
std::string DescribeArchiverFailure(int32_t exitCode, bool listing);

// What the archiver's messages (never the listing's own lines) say of a
// failure.
bool SaysEncrypted(const ArchiverOutput& output);
bool SaysDiskFull(const ArchiverOutput& output);
bool SaysDamaged(const ArchiverOutput& output);

}  // namespace app
