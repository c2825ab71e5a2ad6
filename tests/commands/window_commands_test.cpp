// Windows and commands: LoadWindowCommand from a worker thread,
// BrowseForFolder with its modal guard, and a window that keeps painting
// while its thread waits in RunCommandLine.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "commands/core_library.h"
#include "commands/shell_ui_library.h"
#include "tests/commands/commands_test_support.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

class WindowCommandTest : public CommandTest {
 protected:
  void SetUp() override { StartRuntime(); }

  static TypedValue LoadCommand(std::initializer_list<TypedValue> args) {
    return CommandCall(true, &LoadWindowCommand, args);
  }
};

TEST_F(WindowCommandTest, LoadWindowCommandFromAWorkerShowsTheWindowOnThatThread) {
  HANDLE loaded = CreateEventA(nullptr, TRUE, FALSE, nullptr), finish = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  TypedValue result{};
  HWND window = nullptr;
  DWORD workerId = 0;
  std::thread worker([&] {
    workerId = GetCurrentThreadId();
    result = LoadCommand({WindowValue(kOtherWindow, kOtherUnit), kOmitted, Boolean(false)});
    window = Handle(kOtherWindow, 0);
    SetEvent(loaded);
    WaitForSingleObject(finish, INFINITE);
    if (window) DestroyWindow(window);  // a window goes with the thread that made it
  });
  ASSERT_EQ(WaitForSingleObject(loaded, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(result.low, 1u);
  EXPECT_EQ(result.tag, 0u);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), workerId);
  SetEvent(finish);
  worker.join();
  CloseHandle(loaded);
  CloseHandle(finish);
}

TEST_F(WindowCommandTest, LoadWindowCommandNeedsALoadedOwnerAndLoadsAWindowOnlyOnce) {
  // An owner that is not loaded: nothing is made.
  EXPECT_EQ(LoadCommand({WindowValue(kOtherWindow, kOtherUnit), WindowValue(kMainWindow, kMainUnit), Boolean(false)})
                .low,
            0u);
  EXPECT_EQ(LogFrom("create"), std::vector<std::string>{});
  EXPECT_EQ(Handle(kOtherWindow, 0), nullptr);

  EXPECT_EQ(LoadCommand({WindowValue(kMainWindow, kMainUnit)}).low, 1u);
  HWND main = Handle(kMainWindow, 0);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(IsWindowVisible(main));
  ClearLog();
  EXPECT_EQ(LoadCommand({WindowValue(kMainWindow, kMainUnit), kOmitted, Boolean(false)}).low, 1u);
  EXPECT_EQ(LogFrom("create"), std::vector<std::string>{});
  EXPECT_EQ(Handle(kMainWindow, 0), main);

  // A loaded owner owns the new window; an unknown window gives 0.
  EXPECT_EQ(LoadCommand({WindowValue(kOtherWindow, kOtherUnit), WindowValue(kMainWindow, kMainUnit), Boolean(false)})
                .low,
            1u);
  EXPECT_EQ(GetWindow(Handle(kOtherWindow, 0), GW_OWNER), main);
  EXPECT_EQ(LoadCommand({WindowValue(0x52000099, 0x06000099)}).low, 0u);
}

// The folder dialog of this thread, once it shows.
HWND WaitForDialog(DWORD threadId) {
  for (int i = 0; i < 200; ++i) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM out) WINAPI -> BOOL {
          char name[16] = "";
          GetClassNameA(hwnd, name, sizeof name);
          if (std::string(name) != "#32770" || !IsWindowVisible(hwnd)) return TRUE;
          *reinterpret_cast<HWND*>(out) = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found) {
      Sleep(300);  // the folder tree fills after the dialog shows
      return found;
    }
    Sleep(50);
  }
  return nullptr;
}

// The dialog's tree fills at its own pace: select until the tree shows the
// path's last name as its selection.
void SelectInDialog(HWND dialog, const std::string& path) {
  const std::string leaf = path.substr(path.find_last_of('\\', path.size() - 2) + 1);
  HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
  for (int i = 0; i < 40; ++i) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    char text[MAX_PATH] = "";
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (item.hItem && SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
        std::string(text).find(leaf.substr(0, leaf.find('\\'))) != std::string::npos)
      return;
    Sleep(100);
  }
}

// Runs BrowseForFolder while a helper thread reads the runtime windows'
// states and then picks `path` (cancels when empty).
TextSeen Browse(const std::string& path, bool includeFiles, const std::vector<HWND>& windows,
                std::vector<bool>* enabledMeanwhile) {
  const DWORD self = GetCurrentThreadId();
  std::thread helper([&] {
    HWND dialog = WaitForDialog(self);
    if (!dialog) return;
    for (HWND w : windows) enabledMeanwhile->push_back(IsWindowEnabled(w) != 0);
    if (path.empty()) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    SelectInDialog(dialog, path);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  const TypedValue result = CommandCall(false, &BrowseForFolder, {Text("打开"), includeFiles ? Boolean(true) : kOmitted});
  helper.join();
  EXPECT_EQ(result.tag, 0u);
  return TakeText(result);
}

TEST_F(WindowCommandTest, BrowseForFolderDisablesEveryRuntimeWindowWhileItsDialogIsOpen) {
  const std::string folder = Scratch() + "\\target", file = folder + "\\tool.7z";
  CreateDirectoryA(folder.c_str(), nullptr);
  WriteBytes(file, {1, 2, 3});
  // Main is active (the dialog's owner), Other enabled, Fourth disabled
  // already, Third owned by Main.
  ASSERT_EQ(Load(kMainWindow), 0);
  ASSERT_EQ(Load(kOtherWindow), 0);
  ASSERT_EQ(Load(kFourthWindow), 0);
  ASSERT_EQ(Load(kThirdWindow, false, Object(kMainWindow, 0)), 0);
  const std::vector<HWND> windows = {Handle(kMainWindow, 0), Handle(kOtherWindow, 0), Handle(kFourthWindow, 0),
                                     Handle(kThirdWindow, 0)};
  EnableWindow(windows[2], FALSE);
  SetForegroundWindow(windows[0]);
  SetActiveWindow(windows[0]);
  Pump();
  ASSERT_EQ(GetActiveWindow(), windows[0]);
  const std::vector<bool> before = {true, true, false, true}, during = {false, false, false, true};
  auto enabledNow = [&] {
    std::vector<bool> states;
    for (HWND w : windows) states.push_back(IsWindowEnabled(w) != 0);
    return states;
  };

  std::vector<bool> meanwhile;
  EXPECT_TRUE(Browse("", false, windows, &meanwhile).absent);
  EXPECT_EQ(meanwhile, during);
  EXPECT_EQ(enabledNow(), before);
  EXPECT_EQ(GetActiveWindow(), windows[0]);

  meanwhile.clear();
  const TextSeen chosen = Browse(folder, false, windows, &meanwhile);
  EXPECT_EQ(chosen.text, folder);
  EXPECT_EQ(chosen.blockSize, folder.size() + 1);
  EXPECT_EQ(meanwhile, during);
  EXPECT_EQ(Browse(file, true, windows, &meanwhile).text, file);
  EXPECT_EQ(Browse("C:\\", false, windows, &meanwhile).text, "C:\\");
  EXPECT_EQ(enabledNow(), before);
}

// --- a window that keeps painting while its thread waits for a program ---

constexpr UINT kPostedProbe = WM_APP + 5, kSentProbe = WM_APP + 6;
std::atomic<bool> g_postedSeen{false};

LRESULT CALLBACK RedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(dc, &paint.rcPaint, red);
      DeleteObject(red);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case kPostedProbe: g_postedSeen = true; return 0;
    case kSentProbe: return 1234;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeWindow(const char* className, WNDPROC proc, HBRUSH background, DWORD exStyle) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = className;
  wc.hbrBackground = background;
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(exStyle, className, "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150, nullptr, nullptr,
                              nullptr, nullptr);
  UpdateWindow(hwnd);
  return hwnd;
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

void PumpFor(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  MSG msg;
  while (GetTickCount() < end) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

TEST_F(WindowCommandTest, AWindowOfTheWaitingThreadRepaintsAndAnswersButRunsNoPostedWork) {
  HWND window = MakeWindow("CmdTestRed", &RedWindowProc, nullptr, 0);
  PumpFor(200);
  ASSERT_EQ(ScreenPixel(200, 175), RGB(255, 0, 0));
  g_postedSeen = false;

  COLORREF covered = 0, uncovered = 0;
  LRESULT answer = 0;
  std::thread helper([&] {
    Sleep(300);  // the wait has begun
    HWND cover = MakeWindow("CmdTestCover", &DefWindowProcA, CreateSolidBrush(RGB(0, 0, 255)), WS_EX_TOPMOST);
    PumpFor(300);
    covered = ScreenPixel(200, 175);
    DestroyWindow(cover);
    PostMessageA(window, kPostedProbe, 0, 0);
    DWORD_PTR sent = 0;
    if (SendMessageTimeoutA(window, kSentProbe, 0, 0, SMTO_BLOCK, 3000, &sent)) answer = static_cast<LRESULT>(sent);
    Sleep(500);
    uncovered = ScreenPixel(200, 175);
  });
  const std::string line = ProbePath() + " sleep 2500 0 " + Scratch() + "\\done.txt";
  EXPECT_EQ(CommandCall(true, &RunCommandLine, {Text(line.c_str()), Boolean(true), Integer(1)}).low, 1u);
  EXPECT_FALSE(g_postedSeen);  // still queued when the wait ends
  helper.join();
  EXPECT_EQ(covered, RGB(0, 0, 255));
  EXPECT_EQ(uncovered, RGB(255, 0, 0));
  EXPECT_EQ(answer, 1234);
  PumpFor(100);
  EXPECT_TRUE(g_postedSeen);
  DestroyWindow(window);
}

}  // namespace
