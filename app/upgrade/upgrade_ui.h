// Where the upgrade speaks to the user: message boxes over the tool's
// visible window and the wait window's label, or nothing at all in a
// silent run, where a question is answered by the command line.
#pragma once
#include <cstdint>
#include <string>

namespace app {

struct UpgradeUi {
  bool silent = false;
  bool yes = false;  // the answer a silent run gives to every question
};
UpgradeUi& Ui();

enum : uint32_t { kBoxError = 0x10, kBoxQuestion = 0x20, kBoxWarning = 0x30, kBoxInformation = 0x40 };

// A runtime window of this process: the visible one on top (the wait
// window while it shows, else the main window), or the one this thread
// owns; 0 when none.
enum class ToolWindow { VisibleOnTop, OfThisThread };
uint32_t FindToolWindow(ToolWindow wanted);

// A box over the tool's visible window (the one on top); a silent run
// shows none.
void Tell(uint32_t titleConstant, const std::string& text, uint32_t icon);
// Yes/No, No the default; true for Yes.
bool Ask(uint32_t titleConstant, const std::string& text);
// 浏览 and 升级 off while an upgrade runs, on again after a refusal.
void SetButtonsDisabled(bool disabled);
// The wait window's label, when there is one.
void ShowStage(const std::string& text);

// 取消 on the wait window (or its closing): asked for on the window's
// thread while the worker serves it, seen by the worker between and inside
// its steps. While the old and new sets are renamed it is greyed and a
// close request is ignored; the worker's own closing of the window passes.
void BeginStoppable();
bool StopRequested();
uint32_t StopEvent();  // signalled once a stop is asked for
void RequestStop();
void ForbidStop();
void LetWaitWindowClose();
bool WaitWindowMayClose();
bool StopAllowed();
// Paints and answers the wait window while the worker's own loops run.
void ServeWaitWindow();

// A constant text of the program.
std::string Say(uint32_t constant);

}  // namespace app
