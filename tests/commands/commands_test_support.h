// Shared by the command tests: a runtime over a template of four plain
// windows with the three command libraries in its library table, argument
// records, scratch directories, and Wine's Unix side for drive letters and
// directory links.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/compiled_calls.h"
#include "tests/forms/form_test_support.h"
#include "tests/support/child_process.h"

constexpr uint32_t kMainWindow = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kOtherWindow = 0x52000010, kOtherUnit = 0x06000010;
constexpr uint32_t kThirdWindow = 0x52000020, kThirdUnit = 0x06000020;
constexpr uint32_t kFourthWindow = 0x52000030, kFourthUnit = 0x06000030;

class CommandTest : public FormTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A scratch directory of this test, removed at the end.
  const std::string& Scratch();
  std::string scratch_;
};

inline TypedValue Text(const char* text) { return {Addr(text), 0, kTagText}; }
inline TypedValue Integer(int32_t value) { return {static_cast<uint32_t>(value), 0, kTagInt}; }
inline TypedValue Boolean(bool value) { return {value ? 1u : 0u, 0, kTagBool}; }
inline TypedValue IntegerVariable(int32_t* variable) { return {Addr(variable), 0, kTagInt}; }
inline TypedValue WindowValue(uint32_t windowId, uint32_t unitId) { return {windowId, unitId, 0x00010001}; }
constexpr TypedValue kOmitted{0, 0, 0};
// A byte-set block (dimension 1, length, bytes) to pass with ByteSet.
std::vector<uint8_t> ByteSetBlock(const std::vector<uint8_t>& bytes);
inline TypedValue ByteSet(const std::vector<uint8_t>& block) { return {Addr(block.data()), 0, kTagBytes}; }

// A text result: its text and its heap block's size; the block is freed.
struct TextSeen {
  bool absent = true;
  std::string text;
  size_t blockSize = 0;
};
TextSeen TakeText(const TypedValue& result);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
inline std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
bool Exists(const std::string& path);
// Runs a program, waits for it and gives its exit code (-1: not started).
int32_t RunAndWait(const std::string& commandLine);

// Wine: a path's Unix name; the folder of the drive letter links.
std::string UnixPath(const std::string& path);
std::string DosDevices();
// Wine: runs a Unix command (not waited for by Wine) until path exists or
// is gone as wanted.
bool RunUnix(const std::string& command, const std::string& path, bool exists);

inline std::string ProbePath() { return ProgramDirectory() + "command_probe.exe"; }
