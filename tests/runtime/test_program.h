// Builds program images for tests: DLL commands, libraries, constants.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "runtime/program_image.h"

class TestProgram {
 public:
  TestProgram();
  // Returns the command's index.
  int AddDllCommand(const char* library, const char* function);
  void AddLibrary(const LibraryInfo* info);  // null: an absent entry
  void SetConstants(const void* start, uint32_t size);
  void SetTemplate(const void* start, uint32_t size);
  void SetCodeBase(uint32_t codeBase) { image_.codeBase = codeBase; }
  // The header, valid while this object lives and is not changed.
  const ProgramImage* Image();

 private:
  uint32_t Keep(const char* text);
  ProgramImage image_{};
  std::deque<std::string> texts_;
  std::vector<uint32_t> dllLibraries_, dllFunctions_, libraries_;
};

template <typename T>
uint32_t Address(const T* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}
