// Windows and commands: LoadWindowCommand from a worker thread,
// BrowseForFolder with its modal guard, and a window that keeps painting
// while its thread waits for a program.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "commands/core_library.h"
#include "commands/shell_ui_library.h"
#include "tests/commands/commands_test_support.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

using WindowCommandTest = CommandTest;

uint32_t LoadCommand(std::initializer_list<TypedValue> args) {
  const TypedValue result = CommandCall(true, &LoadWindowCommand, args);
  EXPECT_EQ(result.tag, 0u);
  return result.low;
}

TEST_F(WindowCommandTest, LoadWindowCommandFromAWorkerShowsTheWindowOnThatThread) {
  HANDLE loaded = CreateEventA(nullptr, TRUE, FALSE, nullptr), finish = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  uint32_t result = 0;
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
  EXPECT_EQ(result, 1u);
  EXPECT_TRUE(window && IsWindowVisible(window));
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), workerId);
  SetEvent(finish);
  worker.join();
  CloseHandle(loaded);
  CloseHandle(finish);
}

TEST_F(WindowCommandTest, LoadWindowCommandNeedsALoadedOwnerAndLoadsAWindowOnlyOnce) {
  const TypedValue other = WindowValue(kOtherWindow, kOtherUnit), main = WindowValue(kMainWindow, kMainUnit);
  EXPECT_EQ(LoadCommand({other, main, Boolean(false)}), 0u);  // owner not loaded
  EXPECT_EQ(LogFrom("create"), std::vector<std::string>{});
  EXPECT_EQ(Handle(kOtherWindow, 0), nullptr);

  EXPECT_EQ(LoadCommand({main}), 1u);
  HWND mainWindow = Handle(kMainWindow, 0);
  EXPECT_TRUE(mainWindow && IsWindowVisible(mainWindow));
  ClearLog();
  EXPECT_EQ(LoadCommand({main, kOmitted, Boolean(false)}), 1u);  // loaded already
  EXPECT_EQ(LogFrom("create"), std::vector<std::string>{});
  EXPECT_EQ(Handle(kMainWindow, 0), mainWindow);

  EXPECT_EQ(LoadCommand({other, main, Boolean(false)}), 1u);
  EXPECT_EQ(GetWindow(Handle(kOtherWindow, 0), GW_OWNER), mainWindow);
  EXPECT_EQ(LoadCommand({WindowValue(0x52000099, 0x06000099)}), 0u);  // not in the template
}

// The folder dialog of thread `owner` once its tree has filled with
// `path` selected; a cancel when path is empty.
void AnswerDialog(DWORD owner, const std::string& path, std::function<void()> meanwhile) {
  HWND dialog = nullptr;
  for (int i = 0; i < 200 && !dialog; ++i, Sleep(50))
    EnumThreadWindows(owner, [](HWND hwnd, LPARAM out) WINAPI -> BOOL {
      char name[16] = "";
      GetClassNameA(hwnd, name, sizeof name);
      if (std::string(name) == "#32770" && IsWindowVisible(hwnd)) *reinterpret_cast<HWND*>(out) = hwnd;
      return TRUE;
    }, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  meanwhile();
  const std::string leaf = path.substr(path.find_last_of('\\', path.size() - 2) + 1);
  HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
  for (int i = 0; i < 40 && !path.empty(); ++i, Sleep(100)) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    char text[MAX_PATH] = "";
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (std::string(text).find(leaf.substr(0, leaf.find('\\'))) != std::string::npos) break;
  }
  PostMessageA(dialog, WM_COMMAND, path.empty() ? IDCANCEL : IDOK, 0);
}

TextSeen Browse(const std::string& path, bool includeFiles, std::function<void()> meanwhile = [] {}) {
  std::thread helper(&AnswerDialog, GetCurrentThreadId(), path, meanwhile);
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
  for (uint32_t id : {kMainWindow, kOtherWindow, kFourthWindow}) ASSERT_EQ(Load(id), 0);
  ASSERT_EQ(Load(kThirdWindow, false, Object(kMainWindow, 0)), 0);
  const std::vector<HWND> windows = {Handle(kMainWindow, 0), Handle(kOtherWindow, 0), Handle(kFourthWindow, 0),
                                     Handle(kThirdWindow, 0)};
  EnableWindow(windows[2], FALSE);
  SetForegroundWindow(windows[0]);
  SetActiveWindow(windows[0]);
  Pump();
  ASSERT_EQ(GetActiveWindow(), windows[0]);
  std::vector<bool> meanwhile;
  auto enabled = [&] {
    std::vector<bool> states;
    for (HWND w : windows) states.push_back(IsWindowEnabled(w) != 0);
    return states;
  };
  const std::vector<bool> before = enabled(), during = {false, false, false, true};

  EXPECT_TRUE(Browse("", false, [&] { meanwhile = enabled(); }).absent);
  EXPECT_EQ(meanwhile, during);
  EXPECT_EQ(enabled(), before);
  EXPECT_EQ(GetActiveWindow(), windows[0]);

  meanwhile.clear();
  const TextSeen chosen = Browse(folder, false, [&] { meanwhile = enabled(); });
  EXPECT_EQ(chosen.text, folder);
  EXPECT_EQ(chosen.blockSize, folder.size() + 1);
  EXPECT_EQ(meanwhile, during);
  EXPECT_EQ(Browse(file, true).text, file);
  EXPECT_EQ(Browse("C:\\", false).text, "C:\\");
  EXPECT_EQ(enabled(), before);
}

// --- a window that keeps painting while its thread waits for a program ---

constexpr UINT kPostedProbe = WM_APP + 5, kSentProbe = WM_APP + 6;
std::atomic<bool> g_postedSeen{false};

LRESULT CALLBACK RedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPostedProbe) g_postedSeen = true;
  if (message == kSentProbe) return 1234;
  if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &paint.rcPaint, red);
  DeleteObject(red);
  EndPaint(hwnd, &paint);
  return 0;
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

COLORREF PixelAfter(DWORD ms) {  // pumps this thread's messages meanwhile
  for (const DWORD end = GetTickCount() + ms; GetTickCount() < end; Sleep(10)) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, 200, 175);
  ReleaseDC(nullptr, screen);
  return colour;
}

// Both commands that wait for a program: RunCommandLine and RunAndReadOutput.
TEST_F(WindowCommandTest, AWindowOfTheWaitingThreadRepaintsAndAnswersButRunsNoPostedWork) {
  HWND window = MakeWindow("CmdTestRed", &RedWindowProc, nullptr, 0);
  ASSERT_EQ(PixelAfter(200), RGB(255, 0, 0));
  const std::string line = ProbePath() + " sleep 2500 0 " + Scratch() + "\\done.txt";
  const std::pair<LibraryCommand, std::vector<TypedValue>> waits[] = {
      {&RunCommandLine, {Text(line.c_str()), Boolean(true), Integer(1)}},
      {&RunAndReadOutput, {Text(line.c_str())}},
  };
  for (const auto& [command, args] : waits) {
    SCOPED_TRACE(command == &RunCommandLine ? "RunCommandLine" : "RunAndReadOutput");
    g_postedSeen = false;
    COLORREF covered = 0, uncovered = 0;
    DWORD_PTR answer = 0;
    std::thread helper([&] {
      Sleep(300);  // the wait has begun
      HWND cover = MakeWindow("CmdTestCover", &DefWindowProcA, CreateSolidBrush(RGB(0, 0, 255)), WS_EX_TOPMOST);
      covered = PixelAfter(300);
      DestroyWindow(cover);
      PostMessageA(window, kPostedProbe, 0, 0);
      SendMessageTimeoutA(window, kSentProbe, 0, 0, SMTO_BLOCK, 3000, &answer);
      uncovered = PixelAfter(500);
    });
    TypedValue result{};
    CompiledCommandCall(3, reinterpret_cast<uint32_t>(command), args.size(), args.data(), &result);
    EXPECT_EQ(result.low, 1u);
    EXPECT_FALSE(g_postedSeen);  // still queued when the wait ends
    helper.join();
    EXPECT_EQ(covered, RGB(0, 0, 255));
    EXPECT_EQ(uncovered, RGB(255, 0, 0));
    EXPECT_EQ(answer, 1234u);
    PixelAfter(100);
    EXPECT_TRUE(g_postedSeen);
  }
  DestroyWindow(window);
}

}  // namespace
