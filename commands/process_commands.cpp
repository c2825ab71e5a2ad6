// Running a program from a command line.
#include <windows.h>

#include <string>

#include "commands/core_library.h"
#include "commands/path_rules.h"

namespace {

BOOL CALLBACK StopAtFirstWindow(HWND, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

bool ThreadHasWindows() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), &StopAtFirstWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Waits for the process to end. A thread with windows keeps them painted
// and answers messages sent to them meanwhile; input and posted messages
// stay queued, so no event handler runs inside the wait.
void WaitForProcess(HANDLE process) {
  if (!ThreadHasWindows()) {
    WaitForSingleObject(process, INFINITE);
    return;
  }
  for (;;) {
    MSG msg;
    // Sent messages are delivered inside PeekMessage itself.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageA(&msg);
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_PAINT | QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return;
    if (woken != WAIT_OBJECT_0 + 1) {
      WaitForSingleObject(process, INFINITE);
      return;
    }
  }
}

}  // namespace

static_assert(sizeof(STARTUPINFOA) == 68);

// Arguments: command line, wait, window style 1-6, and optionally an
// integer variable by reference for the program's exit code.
void __cdecl RunCommandLine(TypedValue* result, int32_t count, const TypedValue* args) {
  const char* text = AddressOf<const char>(WordAt(count, args, 0));
  const bool wait = WordAt(count, args, 1) != 0;
  const TypedValue* style = GivenArgument(count, args, 2);
  const TypedValue* exitCodeVariable = GivenArgument(count, args, 3);
  int32_t* exitCode = exitCodeVariable ? AddressOf<int32_t>(exitCodeVariable->low) : nullptr;

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = ShowStateForStyle(style != nullptr, style ? IntOf(*style) : 0);
  // CreateProcessA may write into the line it is given; the caller's text
  // stays as it is.
  std::string commandLine = text ? text : "";
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    if (exitCode) *exitCode = -1;
    return;
  }
  if (wait) {
    WaitForProcess(process.hProcess);
    DWORD code = 0;
    if (exitCode) *exitCode = GetExitCodeProcess(process.hProcess, &code) ? static_cast<int32_t>(code) : -1;
  } else {
    WaitForInputIdle(process.hProcess, 1000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  SetWord(result, 1);
}
