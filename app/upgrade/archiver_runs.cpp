#include "app/upgrade/archiver_runs.h"

#include "app/compiled_code.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {


// Each piece of output, after the run's own reading of it.
using MoreReading = std::function<void(const char* text, size_t length, const ArchiverOutput& output)>;

struct Reading {
  ArchiverRun* run;
  const MoreReading* more;
};

void __stdcall ReadOutput(uint32_t parameter, const char* text, uint32_t length) {
  auto* reading = reinterpret_cast<Reading*>(parameter);
  reading->run->output.Feed(text, length);
  if (*reading->more) (*reading->more)(text, length, reading->run->output);
}

// A start that fails is tried once more (seen under Wine under load, about
// once in a few hundred runs); a program that started is never run twice,
// whatever its exit code.
ArchiverRun Run(const std::string& commandLine, uint32_t stop, const MoreReading& more) {
  ArchiverRun run;
  run.commandLine = commandLine;
  Reading reading{&run, &more};
  for (int attempt = 0; attempt < 2 && !run.started; ++attempt)
    run.started = RunAndReadOutput(commandLine.c_str(), &ReadOutput, Address(&reading), &run.exitCode, stop);
  if (!run.started) run.exitCode = -1;
  return run;
}

std::string Quoted(const std::string& runDirectory, uint32_t commandConstant) {
  return ConstantText(pi::kQuote) + runDirectory + ConstantText(commandConstant) + runDirectory;
}

}  // namespace

ArchiverRun ListArchive(const std::string& runDirectory, ArchiveListing* listing) {
  ListingReader reader;
  ArchiverRun run = Run(Quoted(runDirectory, pi::kListCommand) + ConstantText(pi::kArchiveName) +
                            ConstantText(pi::kQuote),
                        0, [&](const char* text, size_t length, const ArchiverOutput&) { reader.Feed(text, length); });
  *listing = reader.Finish();
  return run;
}

ArchiverRun UnpackArchive(const std::string& runDirectory, const std::string& staging, uint32_t stop,
                          const std::function<void(const ArchiverOutput&)>& progress, const std::string& listFile) {
  return Run(Quoted(runDirectory, pi::kArchiverCommand) + ConstantText(pi::kArchiveSwitch) + staging +
                 ConstantText(pi::kQuoteSpace) +
                 (listFile.empty() ? std::string() : ConstantText(pi::kListFileSwitch) + listFile + ConstantText(pi::kQuote)),
             stop, [&](const char*, size_t, const ArchiverOutput& output) {
               if (progress) progress(output);
             });
}

bool SaysEncrypted(const ArchiverOutput& output) {
  return output.Says("Wrong password") || output.Says("encrypted archive");
}
bool SaysDiskFull(const ArchiverOutput& output) {
  return output.Says("not enough space") || output.Says("disk is full");
}
bool SaysDamaged(const ArchiverOutput& output) {
  return output.Says("CRC Failed") || output.Says("Data Error") || output.Says("Headers Error") ||
         output.Says("Unexpected end of archive") || output.Says("Cannot open the file as archive") ||
         output.Says("Can not open the file as archive");
}

std::string DescribeArchiverFailure(int32_t exitCode, bool listing) {
  uint32_t reason = pi::kReasonUnknown;
  switch (exitCode) {
    case 1: reason = listing ? pi::kReasonListWarning : pi::kReasonWarning; break;
    case 2: reason = pi::kReasonFatal; break;
    case 7: reason = pi::kReasonCommandLine; break;
    case 8: reason = pi::kReasonMemory; break;
    case 255: reason = pi::kReasonStopped; break;
    default: break;
  }
  return std::string(ConstantText(reason)) + ConstantText(pi::kExitCodeText) + std::to_string(exitCode);
}

}  // namespace app
