#include "commands/threading_library.h"

#include <array>

#include "commands/command_numbers.h"

namespace {

LibraryHost g_threadingHost;

// ORDER ThreadingCommand
constexpr std::array<LibraryCommand, kThreadingCommandCount> kThreadingCommands = {&StartThread};

}  // namespace

LibraryHost& ThreadingHost() { return g_threadingHost; }

int32_t __stdcall ThreadingLibraryNotify(int32_t code, int32_t argument1, int32_t) {
  switch (code) {
    case kNotifyHostService:
      g_threadingHost.Set(reinterpret_cast<HostServiceEntry>(static_cast<uintptr_t>(argument1)));
      return 0;
    case kNotifyEndOfProgram:
      ReleaseThreadLocks();
      return 0;
  }
  return -1;
}

const LibraryRecord& ThreadingLibraryRecord() {
  static const LibraryRecord record{&ThreadingLibraryNotify, kThreadingCommandCount, kThreadingCommands.data()};
  return record;
}
