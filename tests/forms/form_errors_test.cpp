// Fatal errors of the form runtime: each case runs in a child process whose
// message box the test reads and dismisses; the child must end with -1.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

struct BoxSearch {
  DWORD processId;
  HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM parameter) {
  auto* search = reinterpret_cast<BoxSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (owner != search->processId || std::string(name) != "#32770") return TRUE;
  search->box = hwnd;
  return FALSE;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM parameter) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) == "Static") {
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    *reinterpret_cast<std::string*>(parameter) += text;
  }
  return TRUE;
}

std::string ChildPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full = path;
  return full.substr(0, full.rfind('\\') + 1) + "form_error_child.exe";
}

struct ChildOutcome {
  std::string boxText, boxTitle, output;
  DWORD exitCode = 0;
};

ChildOutcome RunChild(const std::string& name) {
  ChildOutcome outcome;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string output = temp;
  output.append("form_error_").append(name).append(".txt");
  DeleteFileA(output.c_str());
  std::string command = "\"";
  command.append(ChildPath()).append("\" ").append(name).append(" \"").append(output).append("\"");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << command;
    return outcome;
  }
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
    BoxSearch search{process.dwProcessId, nullptr};
    EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box) {
      char title[64] = {};
      GetWindowTextA(search.box, title, sizeof title);
      outcome.boxTitle = title;
      EnumChildWindows(search.box, &CollectStatic, reinterpret_cast<LPARAM>(&outcome.boxText));
      PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    }
    if (GetTickCount() - start > 30000) {
      TerminateProcess(process.hProcess, 99);
      ADD_FAILURE() << name << ": the child did not end";
      break;
    }
  }
  GetExitCodeProcess(process.hProcess, &outcome.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::ifstream file(output, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  outcome.output = content.str();
  return outcome;
}

void ExpectError(const std::string& name, const std::string& message, const std::string& output = "ready\n") {
  SCOPED_TRACE(name);
  const ChildOutcome outcome = RunChild(name);
  EXPECT_EQ(outcome.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(outcome.output, output);
  EXPECT_EQ(outcome.boxTitle, "错误");
  EXPECT_NE(outcome.boxText.find(message), std::string::npos) << outcome.boxText;
}

TEST(FormErrors, PropertyAccessToMissingOrUnloadedUnits) {
  ExpectError("unit-not-held", "指定窗口或窗口组件不存在或尚未载入");
  ExpectError("own-property-unloaded", "读取组件属性时发现指定窗口尚未载入");
  ExpectError("write-own-property-unloaded", "修改组件属性时发现指定窗口尚未载入");
  ExpectError("window-not-registered", "未载入欲访问窗口组件所在的窗口");
}

TEST(FormErrors, LoadingAndFindingFailures) {
  // A unit whose type has no entry function: the startup window fails cleanly.
  ExpectError("startup-no-type", "载入启动窗口失败");
  ExpectError("startup-unregistered-type", "载入启动窗口失败");
  ExpectError("find-2007", "指定窗口或窗口组件不存在或尚未载入");
}

TEST(FormErrors, EventsFromUnitsThatCannotRaiseThem) {
  ExpectError("silent-type-event", "引发事件的窗口组件无效", "ready\nloaded\n");
  ExpectError("event-unknown-unit", "未找到引发事件的窗口组件");
}

}  // namespace
