// A console program that the command tests start:
//   sleep MS CODE FILE  sleeps, then writes FILE and exits with CODE
//   startup FILE        writes its start-up flags and show state to FILE
//   rundir FILE         starts the runtime, writes GetRunDirectory to FILE
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "commands/core_library.h"
#include "runtime/compiled_calls.h"
#include "runtime/runtime_app.h"
#include "tests/runtime/test_program.h"

namespace {

void WriteText(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

int RunDirectory(const char* path) {
  static LibraryInfo core{};
  core.format = kLibraryFormatWord;
  core.notify = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(CoreLibraryRecord().notify));
  static TestProgram program;
  program.AddLibrary(&core);
  static RuntimeApp app(program.Image(), 0, nullptr);
  app.InitialiseRuntime();
  const TypedValue result = CommandCall(true, &GetRunDirectory, {});
  const char* text = reinterpret_cast<const char*>(result.low);
  WriteText(path, text ? text : "(absent)");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "sleep" && argc == 5) {
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    WriteText(argv[4], "done");
    return std::atoi(argv[3]);
  }
  if (mode == "startup" && argc == 3) {
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    WriteText(argv[2], std::to_string(startup.dwFlags) + " " + std::to_string(startup.wShowWindow));
    return 0;
  }
  if (mode == "rundir" && argc == 3) return RunDirectory(argv[2]);
  return 2;
}
