#include "app/upgrade/upgrade_ui.h"

#include "app/compiled_code.h"
#include "app/dll_commands.h"

namespace app {
namespace {


constexpr uint32_t kYesNo = 4, kSecondButtonDefault = 0x100, kAnswerYes = 6;

struct StopState {
  uint32_t event = 0;
  bool requested = false;
  bool allowed = false;
  bool closing = false;
};
StopState g_stop;

uint32_t Box(uint32_t titleConstant, const std::string& text, uint32_t style) {
  return Dll(pi::kDllMessageBoxA,
             {FindToolWindow(ToolWindow::VisibleOnTop), Address(text.c_str()), ConstantAddress(titleConstant), style});
}

}  // namespace

uint32_t FindToolWindow(ToolWindow wanted) {
  const uint32_t process = Dll(pi::kDllGetCurrentProcessId, {});
  const uint32_t thread = Dll(pi::kDllGetCurrentThreadId, {});
  uint32_t window = 0;
  // Top-level windows come in Z order: the first match is the one on top.
  while ((window = Dll(pi::kDllFindWindowExA, {0, window, ConstantAddress(pi::kWindowClassName), 0})) != 0) {
    uint32_t owner = 0;
    const uint32_t ownerThread = Dll(pi::kDllGetWindowThreadProcessId, {window, Address(&owner)});
    if (wanted == ToolWindow::OfThisThread ? ownerThread == thread
                                           : owner == process && Dll(pi::kDllIsWindowVisible, {window}))
      return window;
  }
  return 0;
}

UpgradeUi& Ui() {
  static UpgradeUi ui;
  return ui;
}

void Tell(uint32_t titleConstant, const std::string& text, uint32_t icon) {
  if (!Ui().silent) Box(titleConstant, text, icon);
}

bool Ask(uint32_t titleConstant, const std::string& text) {
  if (Ui().silent) return Ui().yes;
  return Box(titleConstant, text, kYesNo | kBoxQuestion | kSecondButtonDefault) == kAnswerYes;
}

void SetButtonsDisabled(bool disabled) {
  WriteBoolProperty(pi::kMainWindow, pi::kBrowseButton, kPropertyDisabled, disabled);
  WriteBoolProperty(pi::kMainWindow, pi::kUpgradeButton, kPropertyDisabled, disabled);
}

void ShowStage(const std::string& text) {
  if (Ui().silent) return;
  WriteTextProperty(pi::kWaitWindow, pi::kWaitLabel, kPropertyContent, text.c_str());
}

void BeginStoppable() {
  if (g_stop.event) CloseHandleWord(g_stop.event);
  g_stop = {Dll(pi::kDllCreateEventA, {0, 1, 0, 0}), false, true, false};
  if (!Ui().silent) WriteBoolProperty(pi::kWaitWindow, pi::kCancelButton, kPropertyDisabled, false);
}

bool StopRequested() { return g_stop.requested; }
uint32_t StopEvent() { return g_stop.event; }
bool StopAllowed() { return g_stop.allowed; }

void RequestStop() {
  if (!g_stop.allowed || g_stop.requested) return;
  g_stop.requested = true;
  if (g_stop.event) Dll(pi::kDllSetEvent, {g_stop.event});
  WriteBoolProperty(pi::kWaitWindow, pi::kCancelButton, kPropertyDisabled, true);
  ShowStage(Say(pi::kStageCancelling));
}

void ForbidStop() {
  g_stop.allowed = false;
  if (!Ui().silent) WriteBoolProperty(pi::kWaitWindow, pi::kCancelButton, kPropertyDisabled, true);
}

void LetWaitWindowClose() { g_stop.closing = true; }
bool WaitWindowMayClose() { return g_stop.closing; }

void ServeWaitWindow() {
  if (Ui().silent) return;
  constexpr uint32_t kRemove = 1;
  uint32_t message[8] = {};
  while (Dll(pi::kDllPeekMessageA, {Address(message), 0, 0, 0, kRemove})) {
    Dll(pi::kDllTranslateMessage, {Address(message)});
    Dll(pi::kDllDispatchMessageA, {Address(message)});
  }
}

std::string Say(uint32_t constant) { return ConstantText(constant); }

}  // namespace app
