#include "commands/core_library.h"

#include <array>

#include "commands/command_numbers.h"

namespace {

LibraryHost g_coreHost;

// ORDER CoreCommand
constexpr std::array<LibraryCommand, kCoreCommandCount> kCoreCommands = {
    &GetRunDirectory, &SpaceText, &WriteToFile, &DeleteDirectory, &RunCommandLine, &LoadWindowCommand,
    &RunAndReadOutput,
};
static_assert(kCoreCommands.size() == kCoreCommandCount);

}  // namespace

LibraryHost& CoreHost() { return g_coreHost; }

int32_t __stdcall CoreLibraryNotify(int32_t code, int32_t argument1, int32_t) {
  switch (code) {
    case kNotifyHostService:
      g_coreHost.Set(reinterpret_cast<HostServiceEntry>(static_cast<uintptr_t>(argument1)));
      return 0;
    // The core library's own unit notices: its units here need none.
    case 2: case 10: case 11: case 12: case 13:
      return 0;
  }
  return -1;
}

const LibraryRecord& CoreLibraryRecord() {
  static const LibraryRecord record{&CoreLibraryNotify, kCoreCommandCount, kCoreCommands.data()};
  return record;
}
