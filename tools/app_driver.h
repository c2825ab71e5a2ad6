// Drives the upgrader's windows from another process, as a user would:
// finds its windows and units, types into the edit box, presses buttons,
// reads message boxes and saves pictures of windows. Used by `make run`
// and by the end-to-end tests. Texts are GBK.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace app_driver {

struct BoxSeen {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string title;
  std::string text;
};

// The visible top-level window of the process whose outer size is
// width x height, or null.
HWND FindTopWindow(DWORD processId, int width, int height);
// The visible message box (dialog class) of the process, or null.
HWND FindMessageBox(DWORD processId);
BoxSeen ReadMessageBox(HWND box);
// Presses OK, or No when the box asks a question.
void CloseMessageBox(HWND box);
// Presses the button with this id (IDYES, IDNO, ...).
void AnswerMessageBox(HWND box, int button);

// A child window of parent with this text (GBK), or null.
HWND FindChildByText(HWND parent, const char* text);
// The first child window of this class, or null.
HWND FindChildByClass(HWND parent, const char* className);
std::string WindowText(HWND hwnd);

// Sets an edit control's text the way typing would (WM_SETTEXT).
void SetText(HWND hwnd, const char* text);
// A left click in the middle of the unit, by posted mouse messages.
void Click(HWND hwnd);

// Selects an item in another process's folder dialog tree, as a user would
// by clicking: first the drive whose label holds drive (e.g. "E:") anywhere
// in the tree's first two levels, then each name of folders below it.
bool SelectInFolderTree(HWND tree, const std::string& drive, const std::vector<std::string>& folders);

// Saves what the screen shows of the window as a 24-bit BMP file.
bool SaveWindowPicture(HWND hwnd, const char* path);

// Polls fn every 20 ms until it answers non-null or timeoutMs passes.
template <typename Fn>
auto WaitFor(Fn fn, DWORD timeoutMs) -> decltype(fn()) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (auto result = fn()) return result;
    if (GetTickCount() - start > timeoutMs) return decltype(fn()){};
    Sleep(20);
  }
}

}  // namespace app_driver
