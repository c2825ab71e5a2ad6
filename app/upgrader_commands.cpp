#include "app/upgrader_commands.h"

#include "app/compiled_code.h"
#include "app/program_image.h"
#include "commands/command_numbers.h"

namespace app {

char* GetRunDirectory() { return TextResult(CallCommand(kCoreLibrary, kGetRunDirectory, {})); }

char* SpaceText(int32_t count) {
  return TextResult(CallCommand(kCoreLibrary, kSpaceText, {IntArgument(count)}));
}

bool WriteToFile(const char* path, uint32_t byteSetConstant) {
  return CallCommand(kCoreLibrary, kWriteToFile, {TextArgument(path), BytesArgument(byteSetConstant)})
             .low != 0;
}

bool DeleteDirectory(const char* path) {
  return CallCommand(kCoreLibrary, kDeleteDirectory, {TextArgument(path)}).low != 0;
}

// A start that fails now and then under load (seen under Wine, about once
// in a few hundred runs) is tried once more before it counts as a failure.
int32_t RunHiddenAndWait(const char* commandLine) {
  int32_t exitCode = -1;
  for (int attempt = 0; attempt < 2 && exitCode == -1; ++attempt) {
    const TypedValue started = CallCommand(
        kCoreLibrary, kRunCommandLine,
        {TextArgument(commandLine), BoolArgument(true), IntArgument(1), IntVariable(&exitCode)});
    if (!started.low) exitCode = -1;
  }
  return exitCode;
}

bool LoadWindowCommand(uint32_t windowId, uint32_t unitId) {
  const TypedValue window{windowId, unitId, 0x00010001};  // the core library's window type
  return CallCommand(kCoreLibrary, kLoadWindowCommand, {window, Omitted(), BoolArgument(false)}).low != 0;
}

bool StartThread(uint32_t entry, int32_t* handle) {
  const TypedValue subroutine{entry, 0, kTagSubroutine};
  return CallCommand(kThreadingLibrary, kStartThread, {subroutine, Omitted(), IntVariable(handle)}).low !=
         0;
}

char* BrowseForFolder(const char* title, bool includeFiles) {
  return TextResult(
      CallCommand(kShellUiLibrary, kBrowseForFolder, {TextArgument(title), BoolArgument(includeFiles)}));
}

}  // namespace app
