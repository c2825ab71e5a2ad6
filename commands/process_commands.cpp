// Running a program from a command line.
#include <windows.h>

#include <string>

#include "commands/core_library.h"
#include "commands/path_rules.h"
#include "commands/thread_messages.h"

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
    WaitServingWindows(1, &process.hProcess, INFINITE, ThreadHasWindows());
    DWORD code = 0;
    if (exitCode) *exitCode = GetExitCodeProcess(process.hProcess, &code) ? static_cast<int32_t>(code) : -1;
  } else {
    WaitForInputIdle(process.hProcess, 1000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  SetWord(result, 1);
}
