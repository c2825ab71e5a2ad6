// The upgrade log: upgrade.log beside the tool (in %TEMP% when the tool's
// folder cannot be written), GBK text with CRLF, appended and never
// truncated; one block per upgrade, a timed line per step.
#pragma once
#include <cstdint>
#include <string>

namespace app {

class UpgradeLog {
 public:
  // Opens the log and begins a block with the time and the version.
  void Begin(const std::string& runDirectory);
  void Line(const std::string& text);
  // Ends the block with the tool's exit code: for a refusal, nothing on
  // the drive was changed.
  void End(int32_t exitCode, bool refused);
  // Where the log is, for the messages; empty when none could be opened.
  const std::string& Path() const { return path_; }

 private:
  void Write(const std::string& text);
  uint32_t file_ = 0xFFFFFFFF;
  std::string path_;
};

UpgradeLog& Log();

}  // namespace app
