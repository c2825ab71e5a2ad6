// The upgrader as a user meets it: the real program started from a tool
// folder under Wine, drive E: mapped to a folder of the test, its windows
// found and driven from here (text typed into the edit box, buttons
// clicked, message boxes read and closed), its exit code and the files on
// E: checked afterwards. Built twice: for the 64-bit and the 32-bit prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/app_driver.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

using namespace app_driver;

namespace {

// "正在升级 PE软件包 请稍等..."
const char kStatusText[] = "正在升级 PE软件包 请稍等...";

// --- files ---

std::string ReadAll(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

// Every file below folder as "relative path=content", sorted by the search.
std::vector<std::string> Listing(const std::string& folder, const std::string& prefix = "") {
  std::vector<std::string> lines;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return lines;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const std::string& line : Listing(folder + "\\" + name, prefix + name + "\\")) lines.push_back(line);
    } else {
      lines.push_back(prefix + name + "=" + ReadAll(folder + "\\" + name));
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// The drive as the tests leave it before each run: an old tool set and a
// file of the user's beside it.
const std::vector<std::string> kOldDrive = {"NOTES.TXT=the user's notes", "ZEDOVAV\\OldTools\\OLD.TXT=old tool",
                                            "ZEDOVAV\\VERSION.TXT=tool set 1.0"};

void PrepareDrive() {
  RemoveTree("E:\\ZEDOVAV");
  DeleteFileA("E:\\NOTES.TXT");
  ASSERT_TRUE(CreateDirectoryA("E:\\ZEDOVAV", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  CreateDirectoryA("E:\\ZEDOVAV\\OldTools", nullptr);
  WriteAll("E:\\ZEDOVAV\\VERSION.TXT", "tool set 1.0");
  WriteAll("E:\\ZEDOVAV\\OldTools\\OLD.TXT", "old tool");
  WriteAll("E:\\NOTES.TXT", "the user's notes");
  ASSERT_EQ(Listing("E:"), kOldDrive);
}

struct ToolLayout {
  bool archive = true;
  bool dataFolder = true;
  std::string archiveBytes;  // empty: the sample archive
};

// A tool folder: the program, data\PE\ and PE\ZEDOVAV.7z.
std::string LayOutTool(const std::string& folder, const ToolLayout& layout) {
  RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_TRUE(CopyFileA(Slashes(UPGRADER_EXE).c_str(), (folder + "\\pe_upgrader.exe").c_str(), FALSE));
  if (layout.dataFolder) {
    CreateDirectoryA((folder + "\\data").c_str(), nullptr);
    CreateDirectoryA((folder + "\\data\\PE").c_str(), nullptr);
  }
  CreateDirectoryA((folder + "\\PE").c_str(), nullptr);
  if (layout.archive) {
    const std::string bytes = layout.archiveBytes.empty() ? ReadAll(Slashes(SAMPLE_ARCHIVE)) : layout.archiveBytes;
    WriteAll(folder + "\\PE\\ZEDOVAV.7z", bytes);
  }
  return folder;
}

std::string WorkFolder(const char* name) {
  const std::string work = Slashes(WORK_FOLDER);
  CreateDirectoryA(work.c_str(), nullptr);
  return work + "\\" + name;
}

// One run of the program, started from its tool folder.
class Upgrader {
 public:
  explicit Upgrader(const std::string& toolFolder) {
    std::string commandLine = "\"" + toolFolder + "\\pe_upgrader.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // Detached as a double-click starts it: the archiver's hidden console is its own.
    started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                              nullptr, &startup, &process_);
    if (started_) main = WaitFor([&] { return FindTopWindow(process_.dwProcessId, 350, 187); }, 60000);
    if (main) {
      edit = FindChildByClass(main, "Edit");
      browse = FindChildByText(main, "浏览");
      upgrade = FindChildByText(main, "升级");
      status = FindChildByText(main, kStatusText);
    }
  }
  ~Upgrader() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 0xDEAD);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  bool Ready() const { return main && edit && browse && upgrade && status; }
  DWORD Pid() const { return process_.dwProcessId; }

  // The next message box the program shows, read and closed; title empty
  // when none came within the time.
  BoxSeen NextBox(DWORD timeoutMs = 60000) {
    HWND box = WaitFor([&] { return FindMessageBox(Pid()); }, timeoutMs);
    if (!box) return {};
    Sleep(100);
    BoxSeen seen = ReadMessageBox(box);
    CloseMessageBox(box);
    WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box) ? main : nullptr; }, 5000);
    return seen;
  }

  // Waits for the end, closing any box on the way; the exit code, or
  // 0xDEAD after a time-out.
  DWORD ExitCode(DWORD timeoutMs = 120000) {
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.hProcess, 20) == WAIT_TIMEOUT) {
      if (HWND box = FindMessageBox(Pid())) {
        boxes.push_back(ReadMessageBox(box));
        CloseMessageBox(box);
        Sleep(200);
      }
      if (GetTickCount() - start > timeoutMs) {
        TerminateProcess(process_.hProcess, 0xDEAD);
        WaitForSingleObject(process_.hProcess, 5000);
        break;
      }
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  void PressEscape() {
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  }

  bool Enabled(HWND unit) const { return !(GetWindowLongA(unit, GWL_STYLE) & WS_DISABLED); }
  bool Shown(HWND unit) const { return (GetWindowLongA(unit, GWL_STYLE) & WS_VISIBLE) != 0; }

  HWND main = nullptr, edit = nullptr, browse = nullptr, upgrade = nullptr, status = nullptr;
  std::vector<BoxSeen> boxes;

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

std::string Payload(const char* folder, const char* name) {
  return ReadAll(Slashes(folder) + "\\" + name);
}

// The file names of the modules a process has loaded, in lower case.
std::vector<std::string> ModuleNames(DWORD pid) {
  std::vector<std::string> names;
  HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  MODULEENTRY32 module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32First(modules, &module); more; more = Module32Next(modules, &module))
    names.push_back(CharLowerA(module.szModule));
  CloseHandle(modules);
  return names;
}

}  // namespace

// At every start the archiver of this kind of Windows and its own library
// are written over whatever lay there (here the other kind's files).
TEST(UpgraderEndToEnd, WritesTheMatchingArchiverAtStartAndEscEndsWithZero) {
  const std::string tool = LayOutTool(WorkFolder("payload"), {});
  WriteAll(tool + "\\data\\PE\\7z.exe", Payload(OTHER_PAYLOADS, "7z.exe"));
  WriteAll(tool + "\\data\\PE\\7z.dll", Payload(OTHER_PAYLOADS, "7z.dll"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  const std::string exe = ReadAll(tool + "\\data\\PE\\7z.exe");
  const std::string dll = ReadAll(tool + "\\data\\PE\\7z.dll");
  EXPECT_EQ(exe.size(), Payload(EXPECTED_PAYLOADS, "7z.exe").size());
  EXPECT_TRUE(exe == Payload(EXPECTED_PAYLOADS, "7z.exe"));
  EXPECT_EQ(dll.size(), Payload(EXPECTED_PAYLOADS, "7z.dll").size());
  EXPECT_TRUE(dll == Payload(EXPECTED_PAYLOADS, "7z.dll"));
  EXPECT_TRUE(IsWindowVisible(run.main));
  EXPECT_FALSE(run.Shown(run.status));

  run.PressEscape();
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.boxes.empty());
}

// What only the folder dialog, sounds, the spinner, tooltips or sockets
// need is loaded at their first use, not before the window is on screen.
TEST(UpgraderEndToEnd, ShowsItsWindowBeforeTheLibrariesItNeedsOnlyLater) {
  const std::string tool = LayOutTool(WorkFolder("modules"), {});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  const std::vector<std::string> loaded = ModuleNames(run.Pid());
  auto has = [&](const char* name) { return std::find(loaded.begin(), loaded.end(), name) != loaded.end(); };
  ASSERT_TRUE(has("user32.dll"));
  for (const char* later : {"comctl32.dll", "shell32.dll", "winmm.dll", "ws2_32.dll"})
    EXPECT_FALSE(has(later)) << later;
  run.PressEscape();
  EXPECT_EQ(run.ExitCode(), 0u);
}

// E:\ as the folder dialog gives a drive root: the old ZEDOVAV goes, the new
// one comes, the user's file beside it stays.
TEST(UpgraderEndToEnd, UpgradesTheDriveAndEndsWithZero) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("upgrade"), {});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  SetText(run.edit, "E:\\");
  Click(run.upgrade);

  HWND wait = WaitFor([&] { return FindTopWindow(run.Pid(), 332, 61); }, 60000);
  ASSERT_TRUE(wait) << "no wait window";
  EXPECT_EQ(WindowText(FindChildByText(wait, kStatusText)), kStatusText);
  EXPECT_TRUE(run.Shown(run.status));  // made visible before the main window went
  EXPECT_FALSE(run.Enabled(run.upgrade));
  EXPECT_FALSE(run.Enabled(run.browse));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(run.main) ? wait : nullptr; }, 10000));
  Click(run.upgrade);  // a second press does nothing

  EXPECT_EQ(run.ExitCode(), 0u);
  for (const BoxSeen& box : run.boxes) ADD_FAILURE() << box.title << ": " << box.text;
  const std::vector<std::string> upgraded = {"NOTES.TXT=the user's notes",
                                             "ZEDOVAV\\Tools\\PARTTOOL.TXT=partition tool 2.0\n",
                                             "ZEDOVAV\\VERSION.TXT=tool set 2.0\n"};
  EXPECT_EQ(Listing("E:"), upgraded);
}

// Each check refuses before anything on the drive is touched, says why in
// a box over the main window, and leaves the window usable.
TEST(UpgraderEndToEnd, ChecksRefuseWithNothingDeleted) {
  struct Case {
    const char* name;
    const char* target;
    ToolLayout layout;
    bool toolOnDrive;
    const char* says;
  };
  const Case cases[] = {
      {"empty", "", {}, false, "请先输入或浏览选择U盘盘符目录"},
      {"blank", "   ", {}, false, "请先输入或浏览选择U盘盘符目录"},
      {"missing", "E:\\NoSuchFolder", {}, false, "找不到U盘盘符目录“E:\\NoSuchFolder”"},
      {"inside", "E:\\", {}, true, "本程序位于将被删除的 ZEDOVAV 目录中"},
      {"no-archive", "E:\\", {false, true, ""}, false, "找不到升级包 PE\\ZEDOVAV.7z"},
      {"no-data-folder", "E:\\", {true, false, ""}, false, "找不到解压程序 data\\PE\\7z.exe 或 data\\PE\\7z.dll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrepareDrive();
    const std::string tool =
        LayOutTool(c.toolOnDrive ? std::string("E:\\ZEDOVAV\\Tool") : WorkFolder(c.name), c.layout);
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    const std::vector<std::string> before = Listing("E:");
    SetText(run.edit, c.target);
    Click(run.upgrade);
    const BoxSeen box = run.NextBox();
    EXPECT_EQ(box.title, "无法升级");
    EXPECT_NE(box.text.find(c.says), std::string::npos) << box.text;
    EXPECT_EQ(box.owner, run.main);

    EXPECT_EQ(Listing("E:"), before);
    EXPECT_TRUE(IsWindowVisible(run.main));
    EXPECT_TRUE(IsWindowEnabled(run.main));
    // Enabled again once the box is gone.
    EXPECT_TRUE(WaitFor([&] { return run.Enabled(run.upgrade) && run.Enabled(run.browse); }, 5000));
    EXPECT_FALSE(run.Shown(run.status));
    EXPECT_FALSE(FindTopWindow(run.Pid(), 332, 61));
    run.PressEscape();
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_TRUE(run.boxes.empty()) << run.boxes.front().text;
  }
}

// A damaged archive fails the archiver's own test: the old tool set stays
// and the program ends with the archiver's code.
TEST(UpgraderEndToEnd, ACorruptArchiveIsRefusedWithNothingDeleted) {
  PrepareDrive();
  std::string damaged = ReadAll(Slashes(SAMPLE_ARCHIVE));
  ASSERT_GT(damaged.size(), 64u);
  for (size_t i = 40; i < damaged.size(); i += 7) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  const std::string tool = LayOutTool(WorkFolder("corrupt"), {true, true, damaged});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  SetText(run.edit, "E:\\");
  Click(run.upgrade);
  const DWORD code = run.ExitCode();
  EXPECT_NE(code, 0u);
  EXPECT_NE(code, 0xDEADu);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].title, "升级失败");
  EXPECT_NE(run.boxes[0].text.find("升级包 PE\\ZEDOVAV.7z 校验失败"), std::string::npos) << run.boxes[0].text;
  EXPECT_NE(run.boxes[0].text.find("退出码 " + std::to_string(code)), std::string::npos) << run.boxes[0].text;
  EXPECT_EQ(Listing("E:"), kOldDrive);
}

// A file held open on the drive can be neither deleted nor overwritten: the
// archiver fails, and the program says so and ends with its code.
TEST(UpgraderEndToEnd, AFileTheArchiverCannotWriteEndsWithItsCode) {
  PrepareDrive();
  HANDLE held = CreateFileA("E:\\ZEDOVAV\\VERSION.TXT", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string tool = LayOutTool(WorkFolder("held"), {});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  SetText(run.edit, "E:\\");
  Click(run.upgrade);
  const DWORD code = run.ExitCode();
  CloseHandle(held);
  EXPECT_NE(code, 0u);
  EXPECT_NE(code, 0xDEADu);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].title, "升级失败");
  EXPECT_NE(run.boxes[0].text.find("解压升级包失败"), std::string::npos) << run.boxes[0].text;
  EXPECT_EQ(ReadAll("E:\\ZEDOVAV\\VERSION.TXT"), "tool set 1.0");
  EXPECT_EQ(ReadAll("E:\\NOTES.TXT"), "the user's notes");
}

namespace {

// Pixels of the window's rectangle on the screen in the wait text's colour
// (0x00FF8080: light blue), as the screen shows them now.
int TextPixelsOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = GetPixel(screen, x, y);
      if (GetBValue(c) > 200 && GetRValue(c) < 200 && GetGValue(c) < 200) ++count;
    }
  }
  ReleaseDC(nullptr, screen);
  return count;
}

LRESULT CALLBACK CoverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return 1;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Freezes the archiver the program started (a child named 7z.exe), so the
// program stays in its wait for as long as the test looks; the threads to
// resume, none when no archiver runs.
std::vector<HANDLE> FreezeArchiver(DWORD parentPid) {
  std::vector<HANDLE> frozen;
  HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 process{};
  process.dwSize = sizeof process;
  DWORD archiver = 0;
  for (BOOL more = Process32First(processes, &process); more && !archiver; more = Process32Next(processes, &process))
    if (process.th32ParentProcessID == parentPid && lstrcmpiA(process.szExeFile, "7z.exe") == 0)
      archiver = process.th32ProcessID;
  CloseHandle(processes);
  if (!archiver) return frozen;
  HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(threads, &thread); more; more = Thread32Next(threads, &thread)) {
    if (thread.th32OwnerProcessID != archiver) continue;
    if (HANDLE handle = OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread.th32ThreadID)) {
      SuspendThread(handle);
      frozen.push_back(handle);
    }
  }
  CloseHandle(threads);
  return frozen;
}

void Thaw(const std::vector<HANDLE>& threads) {
  for (HANDLE thread : threads) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

}  // namespace

// While the archiver runs (held still here), the wait window paints what
// was covered: its thread waits for the archiver without leaving its
// windows unpainted.
TEST(UpgraderEndToEnd, TheWaitWindowRepaintsWhileTheArchiverRuns) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("repaint"), {true, true, ReadAll(Slashes(LARGE_ARCHIVE))});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  SetText(run.edit, "E:\\");
  Click(run.upgrade);
  HWND wait = WaitFor([&] { return FindTopWindow(run.Pid(), 332, 61); }, 60000);
  ASSERT_TRUE(wait);
  std::vector<HANDLE> archiver;
  ASSERT_TRUE(WaitFor([&] { return !(archiver = FreezeArchiver(run.Pid())).empty(); }, 30000));
  Sleep(300);
  const int shown = TextPixelsOnScreen(wait);
  EXPECT_GT(shown, 100);

  WNDCLASSA wc{};
  wc.lpfnWndProc = &CoverProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "UpgraderTestCover";
  RegisterClassA(&wc);
  RECT r;
  GetWindowRect(wait, &r);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "UpgraderTestCover", "", WS_POPUP | WS_VISIBLE,
                               r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                               wc.hInstance, nullptr);
  Pump(300);
  EXPECT_EQ(TextPixelsOnScreen(wait), 0);  // covered
  DestroyWindow(cover);
  Pump(500);
  const int uncovered = TextPixelsOnScreen(wait);
  EXPECT_EQ(FindTopWindow(run.Pid(), 332, 61), wait);
  Thaw(archiver);
  EXPECT_GT(uncovered, shown * 9 / 10);

  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ(ReadAll("E:\\ZEDOVAV\\D24\\F109.TXT"), "tool 24.109\n");
}

// 浏览 opens the folder dialog over the main window: a cancel empties the
// edit box, a chosen folder fills it, a drive root arrives as E:\.
TEST(UpgraderEndToEnd, BrowseFillsOrEmptiesTheEditBox) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("browse"), {});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  struct Case {
    const char* name;
    std::vector<std::string> folders;  // below E:
    const char* expected;              // null: cancel
  };
  const Case cases[] = {{"cancel", {}, nullptr},
                        {"folder", {"ZEDOVAV", "OldTools"}, "E:\\ZEDOVAV\\OldTools"},
                        {"file", {"NOTES.TXT"}, "E:\\NOTES.TXT"},
                        {"drive root", {}, "E:\\"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetText(run.edit, "C:\\before");
    Click(run.browse);
    HWND dialog = WaitFor([&] { return FindMessageBox(run.Pid()); }, 30000);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(FindChildByText(dialog, "打开"));  // the title above the tree
    EXPECT_FALSE(IsWindowEnabled(run.main));      // modal over the main window
    if (c.expected) {
      HWND tree = WaitFor([&] { return FindChildByClass(dialog, "SysTreeView32"); }, 5000);
      ASSERT_TRUE(tree);
      // The dialog fills its tree after it shows.
      ASSERT_TRUE(WaitFor([&] { return SelectInFolderTree(tree, "E:", c.folders); }, 10000));
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(run.main) && !IsWindow(dialog); }, 10000));
    EXPECT_EQ(WindowText(run.edit), c.expected ? c.expected : "");
  }
  run.PressEscape();
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(Listing("E:"), kOldDrive);
}
