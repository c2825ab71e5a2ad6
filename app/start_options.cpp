#include "app/start_options.h"

#include "app/command_line.h"
#include "app/dll_commands.h"
#include "app/exit_codes.h"
#include "app/upgrade/payload_files.h"
#include "app/upgrade/upgrade_guards.h"
#include "app/upgrade/upgrade_log.h"
#include "app/upgrade/upgrade_run.h"
#include "app/upgrade/upgrade_ui.h"
#include "app/upgrader_commands.h"
#include "app/version.h"

namespace app {
namespace {

std::string g_startTarget;

constexpr uint32_t kFailCriticalErrors = 1, kNoGpFaultErrorBox = 2, kNoOpenFileErrorBox = 0x8000;

void ShowUsage(const CommandLine& line) {
  std::string text;
  if (!line.fault.empty())
    text = (line.fault == "/silent" ? Say(pi::kSilentNeedsTarget)
                                    : Say(pi::kBadCommandLineText) + line.fault + Say(pi::kBadCommandLineEnd)) +
           "\r\n\r\n";
  text += Say(pi::kUsageVersion) + UPGRADER_VERSION_TEXT + "\r\n\r\n";
  for (uint32_t part : {pi::kUsageSyntax, pi::kUsageTarget, pi::kUsageSilent, pi::kUsageYes, pi::kUsageHelp})
    text += Say(part) + "\r\n";
  text += "\r\n" + Say(pi::kUsageCodes);
  Tell(pi::kUsageTitle, text, line.valid ? kBoxInformation : kBoxError);
}

// The same guards, pre-flight, staged swap and log as from the window,
// with nothing on screen; what would need a Yes is refused unless /yes.
[[noreturn]] void UpgradeSilently(const CommandLine& line, const char* commandLine) {
  Ui().silent = true;
  Ui().yes = line.yes;
  // Nobody is there to close a crash box: not ours, nor the archiver's,
  // which inherits the mode.
  const uint32_t mode = Dll(pi::kDllSetErrorMode, {0});
  Dll(pi::kDllSetErrorMode, {mode | kNoGpFaultErrorBox});
  WritePayloads();
  Log().Begin(RunDirectoryText());
  Log().Line(std::string("命令行：") + commandLine);
  int32_t exitCode = kExitDone;
  const std::string target = GuardTarget(line.target.c_str(), &exitCode);
  if (target.empty()) {
    Log().End(exitCode, true);
    ServiceEndProgram(exitCode);
  }
  const UpgradeResult result = RunUpgrade(target);
  Log().End(result.exitCode, result.refused);
  ServiceEndProgram(result.exitCode);
}

}  // namespace

void TakeCommandLine() {
  // An empty card reader asks nothing when its drive is looked at.
  const uint32_t mode = Dll(pi::kDllSetErrorMode, {kFailCriticalErrors | kNoOpenFileErrorBox});
  Dll(pi::kDllSetErrorMode, {mode | kFailCriticalErrors | kNoOpenFileErrorBox});
  const char* commandLine = reinterpret_cast<const char*>(Dll(pi::kDllGetCommandLineA, {}));
  const CommandLine line = ParseCommandLine(OrEmpty(commandLine));
  if (!line.valid || line.usage) {
    if (!line.silent) ShowUsage(line);
    ServiceEndProgram(line.valid ? kExitDone : kExitBadCommandLine);
  }
  if (line.silent) UpgradeSilently(line, OrEmpty(commandLine));
  g_startTarget = line.target;
}

const std::string& StartTarget() { return g_startTarget; }

}  // namespace app
