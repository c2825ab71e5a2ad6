// A console program that the command tests start:
//   sleep MS CODE FILE  sleeps, then writes FILE and exits with CODE
//   startup FILE        writes its start-up flags and show state to FILE
//   rundir FILE         starts the runtime, writes GetRunDirectory to FILE
//   talk FILE CODE      writes to both outputs, reads its input to the end,
//                       waits up to 5 s for FILE, writes again, exits with CODE
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

// Both outputs go to the same pipe under the command that reads them.
int Talk(const char* go, const char* code) {
  DWORD n = 0;
  auto say = [&](DWORD which, const std::string& text) {
    WriteFile(GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  };
  say(STD_OUTPUT_HANDLE, "first\r\n");
  say(STD_ERROR_HANDLE, "to the error output\r\n");
  char buffer[16];
  const BOOL read = ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &n, nullptr);
  say(STD_OUTPUT_HANDLE, read && n == 0 ? "input ended\r\n" : "input given\r\n");
  for (int i = 0; i < 250 && GetFileAttributesA(go) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
  say(STD_OUTPUT_HANDLE, GetFileAttributesA(go) == INVALID_FILE_ATTRIBUTES ? "not heard\r\n" : "second\r\n");
  return static_cast<int>(std::strtoul(code, nullptr, 10));
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
  if (mode == "talk" && argc == 4) return Talk(argv[2], argv[3]);
  return 2;
}
