// The subroutines the window template binds to events of MainWindow and
// of the wait window.
#include <string>

#include "app/compiled_code.h"
#include "app/exit_codes.h"
#include "app/start_options.h"
#include "app/subroutines.h"
#include "app/upgrade/drive_facts.h"
#include "app/upgrade/payload_files.h"
#include "app/upgrade/upgrade_guards.h"
#include "app/upgrade/upgrade_log.h"
#include "app/upgrade/upgrade_ui.h"
#include "app/upgrader_commands.h"

using namespace app;

// Before the window shows: the archiver is written, and the edit box gets
// the target the command line named, or else the one stick that holds a
// tool set.
extern "C" void __cdecl OnMainWindowCreated() {
  WritePayloads();
  std::string target = StartTarget();
  if (target.empty()) target = TheOneStickWithAToolSet();
  if (!target.empty()) WriteTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent, target.c_str());
}

// A cancelled dialog empties the edit box.
extern "C" void __cdecl OnBrowseClicked() {
  char* path = BrowseForFolder(ConstantText(pi::kOpenTitle), true);
  WriteTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent, path);
  FreeText(path);
}

// The edit box is read once: the guards judge that text made a full path,
// and the worker is handed the very path they judged.
extern "C" void __cdecl OnUpgradeClicked() {
  if (ReadBoolProperty(pi::kMainWindow, pi::kUpgradeButton, kPropertyDisabled)) return;
  SetButtonsDisabled(true);
  char* text = ReadTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent);
  Log().Begin(RunDirectoryText());
  Log().Line(std::string("目标（输入）：") + OrEmpty(text));
  int32_t refusal = 0;
  const std::string target = GuardTarget(text, &refusal);
  FreeText(text);
  if (target.empty()) {
    Log().End(refusal, true);
    SetButtonsDisabled(false);
    return;
  }
  WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, true);
  auto* job = new std::string(target);
  int32_t handle = 0;
  if (!StartThread(Address(reinterpret_cast<const void*>(&UpgradeWorkerEntry)), Address(job), &handle)) {
    delete job;
    ReleaseTheMachine();
    Log().Line("无法启动升级线程");
    Log().End(kExitDone, true);
    WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, false);
    SetButtonsDisabled(false);
  }
}

// On the worker's thread, while it serves the wait window in its wait.
extern "C" void __cdecl OnCancelClicked() {
  if (!StopAllowed() || StopRequested()) return;
  Log().Line("用户按了“取消”");
  RequestStop();
}

// Esc or Alt+F4 on the wait window is 取消, never a hidden upgrade: the
// window stays until the worker, done, closes it itself.
extern "C" void __cdecl OnWaitWindowClosing(HandlerResult* result) {
  if (WaitWindowMayClose()) return;
  OnCancelClicked();
  *result = {1, 0, 0};
}
