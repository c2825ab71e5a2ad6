#include "app/upgrader_commands.h"

#include "app/compiled_code.h"
#include "app/program_image.h"
#include "commands/command_numbers.h"

namespace app {

char* GetRunDirectory() { return TextResult(CallCommand(kCoreLibrary, kGetRunDirectory, {})); }

std::string RunDirectoryText() {
  char* text = GetRunDirectory();
  std::string directory = OrEmpty(text);
  FreeText(text);
  return directory;
}

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

bool DeleteDirectory(const char* path, RemovalReader reader, uint32_t parameter) {
  const TypedValue subroutine{Address(reinterpret_cast<const void*>(reader)), 0, kTagSubroutine};
  return CallCommand(kCoreLibrary, kDeleteDirectory,
                     {TextArgument(path), subroutine, IntArgument(static_cast<int32_t>(parameter))})
             .low != 0;
}

bool DeleteWholeDirectory(const char* path, RemovalReader reader, uint32_t parameter) {
  const TypedValue subroutine{Address(reinterpret_cast<const void*>(reader)), 0, kTagSubroutine};
  return CallCommand(kCoreLibrary, kDeleteDirectory,
                     {TextArgument(path), reader ? subroutine : Omitted(),
                      IntArgument(static_cast<int32_t>(parameter)), BoolArgument(true)})
             .low != 0;
}

bool RunAndReadOutput(const char* commandLine, OutputReader reader, uint32_t parameter, int32_t* exitCode,
                      uint32_t stop) {
  const TypedValue subroutine{Address(reinterpret_cast<const void*>(reader)), 0, kTagSubroutine};
  return CallCommand(kCoreLibrary, kRunAndReadOutput,
                     {TextArgument(commandLine), reader ? subroutine : Omitted(),
                      IntArgument(static_cast<int32_t>(parameter)), IntVariable(exitCode),
                      stop ? IntArgument(static_cast<int32_t>(stop)) : Omitted()})
             .low != 0;
}

bool LoadWindowCommand(uint32_t windowId, uint32_t unitId) {
  const TypedValue window{windowId, unitId, 0x00010001};  // the core library's window type
  return CallCommand(kCoreLibrary, kLoadWindowCommand, {window, Omitted(), BoolArgument(false)}).low != 0;
}

bool StartThread(uint32_t entry, uint32_t parameter, int32_t* handle) {
  const TypedValue subroutine{entry, 0, kTagSubroutine};
  return CallCommand(kThreadingLibrary, kStartThread,
                     {subroutine, IntArgument(static_cast<int32_t>(parameter)), IntVariable(handle)})
             .low != 0;
}

char* BrowseForFolder(const char* title, bool includeFiles) {
  return TextResult(
      CallCommand(kShellUiLibrary, kBrowseForFolder, {TextArgument(title), BoolArgument(includeFiles)}));
}

}  // namespace app
