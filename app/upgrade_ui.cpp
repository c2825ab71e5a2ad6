#include "app/upgrade_ui.h"

#include "app/compiled_code.h"

namespace app {
namespace {


constexpr uint32_t kYesNo = 4, kSecondButtonDefault = 0x100, kAnswerYes = 6;

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

std::string Say(uint32_t constant) { return ConstantText(constant); }

}  // namespace app
