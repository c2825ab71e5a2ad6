// The library commands the upgrader calls, each by its library and number.
#pragma once
#include <cstdint>

namespace app {

// Texts that come back are new heap texts (or null) the caller frees.
char* GetRunDirectory();
char* SpaceText(int32_t count);
bool WriteToFile(const char* path, uint32_t byteSetConstant);
bool DeleteDirectory(const char* path);
// Runs hidden and waits; the program's exit code, -1 when it did not start
// (twice).
int32_t RunHiddenAndWait(const char* commandLine);
bool LoadWindowCommand(uint32_t windowId, uint32_t unitId);
bool StartThread(uint32_t entry, int32_t* handle);
char* BrowseForFolder(const char* title, bool includeFiles);

}  // namespace app
