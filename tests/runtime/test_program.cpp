#include "tests/runtime/test_program.h"

TestProgram::TestProgram() {
  image_.runMode = 3;
  image_.lastSerial = 106206;
}

uint32_t TestProgram::Keep(const char* text) {
  if (!text) return 0;
  texts_.emplace_back(text);
  return Address(texts_.back().c_str());
}

int TestProgram::AddDllCommand(const char* library, const char* function) {
  dllLibraries_.push_back(Keep(library));
  dllFunctions_.push_back(Keep(function));
  return static_cast<int>(dllLibraries_.size() - 1);
}

void TestProgram::AddLibrary(const LibraryInfo* info) { libraries_.push_back(Address(info)); }

void TestProgram::SetConstants(const void* start, uint32_t size) {
  image_.constantsAddress = Address(start);
  image_.constantsSize = size;
}

void TestProgram::SetTemplate(const void* start, uint32_t size) {
  image_.templateAddress = Address(start);
  image_.templateSize = size;
}

const ProgramImage* TestProgram::Image() {
  image_.dllCommandCount = static_cast<uint32_t>(dllLibraries_.size());
  image_.dllLibraryNames = Address(dllLibraries_.data());
  image_.dllFunctionNames = Address(dllFunctions_.data());
  image_.libraryCount = static_cast<uint32_t>(libraries_.size());
  image_.libraryTable = Address(libraries_.data());
  return &image_;
}
