// Shared by the command tests: a runtime over a small template with the
// three command libraries in its library table, typed argument records,
// scratch directories and a drive letter mapped onto one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/compiled_calls.h"
#include "tests/forms/form_test_support.h"
#include "tests/support/child_process.h"

// The test windows, each with its own unit only.
constexpr uint32_t kMainWindow = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kOtherWindow = 0x52000010, kOtherUnit = 0x06000010;
constexpr uint32_t kThirdWindow = 0x52000020, kThirdUnit = 0x06000020;
constexpr uint32_t kFourthWindow = 0x52000030, kFourthUnit = 0x06000030;

class CommandTest : public FormTest {
 protected:
  // The runtime hands each library its HostService as it starts.
  void StartRuntime();
  void TearDown() override;

  // A scratch directory of this test, removed at the end.
  const std::string& Scratch();
  std::string scratch_;
};

// Argument records.
TypedValue Text(const char* text);
TypedValue Integer(int32_t value);
TypedValue Boolean(bool value);
TypedValue IntegerVariable(int32_t* variable);
TypedValue ByteSet(const std::vector<uint8_t>& block);
TypedValue WindowValue(uint32_t windowId, uint32_t unitId);
constexpr TypedValue kOmitted{0, 0, 0};
// A byte-set block: dimension 1, length, bytes.
std::vector<uint8_t> ByteSetBlock(const std::vector<uint8_t>& bytes);

// The text of a result, and the result block's size on the heap; frees it.
struct TextSeen {
  bool absent = true;
  std::string text;
  size_t blockSize = 0;
};
TextSeen TakeText(const TypedValue& result);

// Files.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Removes a tree with the shell's own command, whatever our command does.
void RemoveTree(const std::string& path);

// Wine: makes letter: a drive whose root is directory, or removes it; true
// once the drive answers (or is gone).
bool MapDrive(char letter, const std::string& directory);
bool UnmapDrive(char letter);
// Wine: a Unix symbolic link at linkPath to the directory target.
bool MakeDirectoryLink(const std::string& target, const std::string& linkPath);
void RemoveLink(const std::string& linkPath);

// A console program beside the test (command_probe.exe).
std::string ProbePath();
