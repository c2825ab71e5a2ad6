#include "tests/support/child_process.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

struct BoxWatch {
  DWORD processId;
  std::mutex lock;
  std::vector<MessageBoxSeen> boxes;
  std::vector<HWND> closed;
};

BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM lParam) {
  auto* watch = reinterpret_cast<BoxWatch*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char className[64] = {};
  GetClassNameA(hwnd, className, sizeof className);
  if (pid != watch->processId || std::string(className) != "#32770" || !IsWindowVisible(hwnd))
    return TRUE;
  std::lock_guard<std::mutex> guard(watch->lock);
  for (HWND seen : watch->closed)
    if (seen == hwnd) return TRUE;
  MessageBoxSeen box;
  char buffer[4096] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  box.title = buffer;
  buffer[0] = 0;
  GetDlgItemTextA(hwnd, 0xFFFF, buffer, sizeof buffer);  // the box's static text
  box.text = buffer;
  watch->boxes.push_back(box);
  watch->closed.push_back(hwnd);
  PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return TRUE;
}

std::string ReadWholeFile(const std::string& path) {
  std::string content;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
  CloseHandle(file);
  return content;
}

}  // namespace

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full = path;
  return full.substr(0, full.rfind('\\') + 1);
}

ChildResult RunChild(const std::string& program, const std::string& arguments, uint32_t timeoutMs) {
  ChildResult result;
  char tempDir[MAX_PATH], tracePath[MAX_PATH];
  GetTempPathA(sizeof tempDir, tempDir);
  GetTempFileNameA(tempDir, "trc", 0, tracePath);
  SetEnvironmentVariableA("TEST_TRACE", tracePath);

  std::string commandLine = "\"";
  commandLine.append(ProgramDirectory()).append(program).append("\" ").append(arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    result.exitCode = 0xDEADDEAD;
    return result;
  }
  BoxWatch watch{process.dwProcessId, {}, {}, {}};
  const DWORD start = GetTickCount();
  for (;;) {
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
    EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&watch));
    if (GetTickCount() - start > timeoutMs) {
      result.timedOut = true;
      TerminateProcess(process.hProcess, 0xDEAD);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  result.exitCode = code;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.boxes = watch.boxes;
  result.trace = ReadWholeFile(tracePath);
  DeleteFileA(tracePath);
  return result;
}

void Trace(const std::string& line) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("TEST_TRACE", path, sizeof path)) return;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}
