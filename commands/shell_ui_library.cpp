#include "commands/shell_ui_library.h"

#include <array>

#include "commands/command_numbers.h"

namespace {

LibraryHost g_shellUiHost;

// ORDER ShellUiCommand
constexpr std::array<LibraryCommand, kShellUiCommandCount> kShellUiCommands = {&BrowseForFolder};

}  // namespace

LibraryHost& ShellUiHost() { return g_shellUiHost; }

int32_t __stdcall ShellUiLibraryNotify(int32_t code, int32_t argument1, int32_t) {
  if (code != kNotifyHostService) return -1;
  g_shellUiHost.Set(reinterpret_cast<HostServiceEntry>(static_cast<uintptr_t>(argument1)));
  return 0;
}

const LibraryRecord& ShellUiLibraryRecord() {
  static const LibraryRecord record{&ShellUiLibraryNotify, kShellUiCommandCount, kShellUiCommands.data()};
  return record;
}
