// The upgrade on its own thread, which owns the wait window: the window
// stays painted while the archiver runs and the old set is deleted. A
// refusal brings the main window back; anything else ends the tool with
// its code once the user has read how it went.
#include <memory>
#include <string>

#include "app/compiled_code.h"
#include "app/dll_commands.h"
#include "app/subroutines.h"
#include "app/upgrade/upgrade_guards.h"
#include "app/upgrade/upgrade_log.h"
#include "app/upgrade/upgrade_run.h"
#include "app/upgrade/upgrade_ui.h"
#include "app/upgrader_commands.h"

using namespace app;

namespace {

constexpr uint32_t kCloseMessage = 0x0010;  // WM_CLOSE

void ReturnToMainWindow() {
  WriteBoolProperty(pi::kMainWindow, pi::kMainWindowUnit, kPropertyVisible, true);
  WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, false);
  // Closed on its own thread, so the next upgrade loads it anew.
  LetWaitWindowClose();
  if (const uint32_t wait = FindToolWindow(ToolWindow::OfThisThread)) Dll(pi::kDllSendMessageA, {wait, kCloseMessage, 0, 0});
}

void UpgradeWorker(const std::string& target) {
  LoadWindowCommand(pi::kWaitWindow, pi::kWaitWindowUnit);
  WriteBoolProperty(pi::kMainWindow, pi::kMainWindowUnit, kPropertyVisible, false);
  const UpgradeResult result = RunUpgrade(target);
  Log().End(result.exitCode, result.refused);
  if (result.refused) {
    ReturnToMainWindow();
    if (result.title) Tell(result.title, result.text, result.icon);
    SetButtonsDisabled(false);
    ReleaseTheMachine();
    return;
  }
  LetWaitWindowClose();
  if (result.title) Tell(result.title, result.text, result.icon);
  ServiceEndProgram(result.exitCode);
}

}  // namespace

extern "C" uint32_t __stdcall UpgradeWorkerEntry(uint32_t parameter) {
  const std::unique_ptr<std::string> target(reinterpret_cast<std::string*>(parameter));
  UpgradeWorker(*target);
  return 0;
}
