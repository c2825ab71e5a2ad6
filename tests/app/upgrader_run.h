// The upgrader run as a user or a script runs it, and the files it leaves:
// what the end-to-end tests share. The paths of the program, the samples
// and the work folder come from each test program's definitions.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tools/app_driver.h"

namespace upgrader_run {

using namespace app_driver;

// "正在升级 PE软件包 请稍等..."
inline const char kStatusText[] = "正在升级 PE软件包 请稍等...";

// --- files ---

// Names outside GBK reach the files in UTF-16; narrow paths are GBK.
inline std::wstring WideOfGbk(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), int(wide.size())));
  return wide;
}

inline std::string ReadAllW(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

inline std::string ReadAll(const std::string& path) { return ReadAllW(WideOfGbk(path)); }

inline void WriteAllW(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

inline void WriteAll(const std::string& path, const std::string& bytes) { WriteAllW(WideOfGbk(path), bytes); }

// Wide and through \\?\: the tests leave names outside GBK and deep paths.
inline void RemoveTreeW(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeW(full);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

inline void RemoveTree(const std::string& path) { RemoveTreeW(L"\\\\?\\" + WideOfGbk(path)); }

// Every file below folder as "relative path=content", sorted by the search.
inline std::vector<std::string> Listing(const std::string& folder, const std::string& prefix = "") {
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
      const std::string content = ReadAll(folder + "\\" + name);
      // Programs by their size: their bytes would only drown a failure's report.
      // (Built piece by piece: GCC 12 warns, wrongly, of "<" + a temporary.)
      std::string line = prefix + name + "=";
      if (content.size() > 65536) line += std::to_string(content.size()) + " bytes";
      else line += content;
      lines.push_back(line);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(lines.begin(), lines.end());
  return lines;
}

inline std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string Sample(const char* name) { return ReadAll(Slashes(SAMPLES) + "\\" + name); }

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The drive as the tests leave it before each run: an old tool set and a
// file of the user's beside it.
inline const std::vector<std::string> kOldDrive = {"NOTES.TXT=the user's notes", "ZEDOVAV\\OldTools\\OLD.TXT=old tool",
                                            "ZEDOVAV\\VERSION.TXT=tool set 1.0"};
inline const std::vector<std::string> kNewDrive = {"NOTES.TXT=the user's notes",
                                            "ZEDOVAV\\Tools\\PARTTOOL.TXT=partition tool 2.0\n",
                                            "ZEDOVAV\\VERSION.TXT=tool set 2.0\n"};

inline void PrepareDrive(const std::string& root = "E:") {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(root + "\\" + name);
      else DeleteFileA((root + "\\" + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  CreateDirectoryA((root + "\\ZEDOVAV").c_str(), nullptr);
  CreateDirectoryA((root + "\\ZEDOVAV\\OldTools").c_str(), nullptr);
  WriteAll(root + "\\ZEDOVAV\\VERSION.TXT", "tool set 1.0");
  WriteAll(root + "\\ZEDOVAV\\OldTools\\OLD.TXT", "old tool");
  WriteAll(root + "\\NOTES.TXT", "the user's notes");
  ASSERT_EQ(Listing(root), kOldDrive);
}

struct ToolLayout {
  bool archive = true;
  bool dataFolder = true;
  std::string archiveBytes;  // empty: the small sample set
};

// A tool folder: the program, data\PE\ and PE\ZEDOVAV.7z.
inline std::string LayOutTool(const std::string& folder, const ToolLayout& layout = {}) {
  RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_TRUE(CopyFileA(Slashes(UPGRADER_EXE).c_str(), (folder + "\\pe_upgrader.exe").c_str(), FALSE));
  if (layout.dataFolder) {
    CreateDirectoryA((folder + "\\data").c_str(), nullptr);
    CreateDirectoryA((folder + "\\data\\PE").c_str(), nullptr);
  }
  CreateDirectoryA((folder + "\\PE").c_str(), nullptr);
  if (layout.archive)
    WriteAll(folder + "\\PE\\ZEDOVAV.7z", layout.archiveBytes.empty() ? Sample("ZEDOVAV.7z") : layout.archiveBytes);
  return folder;
}

inline std::string WorkFolder(const char* name) {
  const std::string work = Slashes(WORK_FOLDER);
  CreateDirectoryA(work.c_str(), nullptr);
  return work + "\\" + name;
}

// The last block of the tool's log, from its first line on.
inline std::string LastLogBlock(const std::string& tool) {
  const std::string log = ReadAll(tool + "\\upgrade.log");
  const size_t begin = log.rfind(" PE软件包升级 ");
  if (begin == std::string::npos) return {};
  const size_t line = log.rfind("\r\n", begin);
  return log.substr(line == std::string::npos ? 0 : line + 2);
}

inline size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// One run of the program, started from its tool folder (or by another
// name of its file).
class Upgrader {
 public:
  explicit Upgrader(const std::string& toolFolder, const std::string& program = "", const std::string& args = "") {
    std::string commandLine = "\"" + (program.empty() ? toolFolder + "\\pe_upgrader.exe" : program) + "\"" + args;
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
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  bool Ready() const { return main && edit && browse && upgrade && status; }
  DWORD Pid() const { return process_.dwProcessId; }
  HANDLE Process() const { return process_.hProcess; }

  void Start(const char* target) {
    SetText(edit, target);
    Click(upgrade);
  }

  // The next message box the program shows, read and answered (OK, or
  // No for a question, unless told); title empty when none came in time.
  BoxSeen NextBox(DWORD timeoutMs = 60000, int answer = 0) {
    HWND box = WaitFor([&] { return FindMessageBox(Pid()); }, timeoutMs);
    if (!box) return {};
    Sleep(100);
    BoxSeen seen = ReadMessageBox(box);
    if (answer) AnswerMessageBox(box, answer);
    else CloseMessageBox(box);
    WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box) ? main : nullptr; }, 5000);
    return seen;
  }

  // Waits for the end, closing any box on the way; the exit code, or
  // 0xDEAD after a time-out.
  DWORD ExitCode(DWORD timeoutMs = 120000) {
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.hProcess, 20) == WAIT_TIMEOUT) {
      if (HWND box = FindMessageBox(Pid())) {
        Sleep(100);
        boxes.push_back(ReadMessageBox(box));
        CloseMessageBox(box);
        WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box) ? main : nullptr; }, 5000);
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

  // After a refusal: the main window is back and usable, Esc ends with 0.
  void ExpectUsableThenEscape() {
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) && Enabled(upgrade) && Enabled(browse); }, 10000));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(Shown(status));
    EXPECT_FALSE(FindTopWindow(Pid(), 332, 61));
    PressEscape();
    EXPECT_EQ(ExitCode(), 0u);
    for (const BoxSeen& box : boxes) ADD_FAILURE() << box.title << ": " << box.text;
  }

  bool Enabled(HWND unit) const { return !(GetWindowLongA(unit, GWL_STYLE) & WS_DISABLED); }
  bool Shown(HWND unit) const { return (GetWindowLongA(unit, GWL_STYLE) & WS_VISIBLE) != 0; }

  HWND main = nullptr, edit = nullptr, browse = nullptr, upgrade = nullptr, status = nullptr;
  std::vector<BoxSeen> boxes;

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

// A run from a script: the exit code, and whether any window or box of the
// program was ever on screen.
struct SilentRun {
  DWORD exitCode = 0xDEAD;
  bool shown = false;
};

inline BOOL CALLBACK NoteVisible(HWND hwnd, LPARAM lParam) {
  auto* run = reinterpret_cast<std::pair<DWORD, bool>*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == run->first && IsWindowVisible(hwnd)) run->second = true;
  return TRUE;
}

// The tool started detached, as a double-click or a script starts it.
inline bool StartTool(const std::string& tool, const std::string& args, PROCESS_INFORMATION* process) {
  std::string commandLine = "\"" + tool + "\\pe_upgrader.exe\" " + args;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, process) != 0;
}

inline SilentRun RunFromScript(const std::string& tool, const std::string& args) {
  PROCESS_INFORMATION process{};
  SilentRun run;
  if (!StartTool(tool, args, &process)) return run;
  std::pair<DWORD, bool> seen{process.dwProcessId, false};
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < 60000)
    EnumWindows(&NoteVisible, reinterpret_cast<LPARAM>(&seen));
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 0xDEAD);
  WaitForSingleObject(process.hProcess, 5000);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  run.shown = seen.second;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

}  // namespace upgrader_run
