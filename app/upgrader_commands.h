// The library commands the upgrader calls, each by its library and number.
#pragma once
#include <cstdint>
#include <string>

namespace app {

// Texts that come back are new heap texts (or null) the caller frees.
char* GetRunDirectory();
// The same as a string: the tool's folder, without a trailing backslash.
std::string RunDirectoryText();
char* SpaceText(int32_t count);
bool WriteToFile(const char* path, uint32_t byteSetConstant);
bool DeleteDirectory(const char* path);
// The same, with reader(parameter, entries removed so far) called while it
// goes on.
using RemovalReader = void(__stdcall*)(uint32_t parameter, uint32_t removed);
bool DeleteDirectory(const char* path, RemovalReader reader, uint32_t parameter);
// The thorough deletion: every entry, whatever its name (a leading full
// stop, outside the code page), attributes or path length. reader may be
// null.
bool DeleteWholeDirectory(const char* path, RemovalReader reader, uint32_t parameter);
// Runs a program without a window and waits for it, handing its output to
// reader(parameter, text, length) on this thread as it comes. False when
// it did not start; *exitCode its code (-1 when it cannot be told).
using OutputReader = void(__stdcall*)(uint32_t parameter, const char* text, uint32_t length);
// A signal of the event stop (0: none) ends the program and all it started.
bool RunAndReadOutput(const char* commandLine, OutputReader reader, uint32_t parameter, int32_t* exitCode,
                      uint32_t stop = 0);
bool LoadWindowCommand(uint32_t windowId, uint32_t unitId);
// entry(parameter) on a new thread; its handle into *handle.
bool StartThread(uint32_t entry, uint32_t parameter, int32_t* handle);
char* BrowseForFolder(const char* title, bool includeFiles);

}  // namespace app
