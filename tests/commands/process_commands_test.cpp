// Running a program (RunCommandLine) and starting a thread (StartThread).
#include <gtest/gtest.h>

#include "commands/core_library.h"
#include "commands/threading_library.h"
#include "tests/commands/commands_test_support.h"

namespace {

class ProcessCommandTest : public CommandTest {
 protected:
  void SetUp() override { StartRuntime(); }

  static TypedValue Run(const std::string& line, std::initializer_list<TypedValue> more) {
    std::vector<TypedValue> args = {Text(line.c_str())};
    args.insert(args.end(), more.begin(), more.end());
    TypedValue result{};
    CompiledCommandCall(3, reinterpret_cast<uint32_t>(&RunCommandLine), static_cast<uint32_t>(args.size()),
                        args.data(), &result);
    return result;
  }
  std::string Sleeper(int ms, int code, const std::string& marker) {
    return ProbePath() + " sleep " + std::to_string(ms) + " " + std::to_string(code) + " " + marker;
  }
};

TEST_F(ProcessCommandTest, WaitsForAHiddenConsoleProgramAndHandsBackItsExitCode) {
  const std::string marker = Scratch() + "\\done.txt";
  int32_t exitCode = 12345;
  const DWORD start = GetTickCount();
  const TypedValue result = Run(Sleeper(700, 42, marker), {Boolean(true), Integer(1), IntegerVariable(&exitCode)});
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(result.low, 1u);
  EXPECT_EQ(result.tag, 0u);
  EXPECT_TRUE(Exists(marker));
  EXPECT_GE(elapsed, 650u);
  EXPECT_EQ(exitCode, 42);

  // Three arguments as before: no exit code anywhere.
  DeleteFileA(marker.c_str());
  EXPECT_EQ(Run(Sleeper(100, 7, marker), {Boolean(true), Integer(1)}).low, 1u);
  EXPECT_TRUE(Exists(marker));
}

TEST_F(ProcessCommandTest, WindowStyleBecomesTheProgramsShowState) {
  const std::string file = Scratch() + "\\startup.txt";
  const std::string line = ProbePath() + " startup " + file;
  // (style given, style) -> "STARTF_USESHOWWINDOW show-state"
  const struct {
    TypedValue style;
    const char* seen;
  } cases[] = {
      {kOmitted, "1 1"},   {Integer(0), "1 0"}, {Integer(1), "1 0"}, {Integer(2), "1 1"}, {Integer(3), "1 2"},
      {Integer(4), "1 3"}, {Integer(5), "1 4"}, {Integer(6), "1 6"}, {Integer(9), "1 6"},
  };
  for (const auto& c : cases) {
    DeleteFileA(file.c_str());
    ASSERT_EQ(Run(line, {Boolean(true), c.style}).low, 1u);
    const std::vector<uint8_t> seen = ReadBytes(file);
    EXPECT_EQ(std::string(seen.begin(), seen.end()), c.seen) << "style " << c.style.low << " tag " << c.style.tag;
  }
}

TEST_F(ProcessCommandTest, WithoutWaitReturnsWithinASecondAndAMissingProgramAtOnce) {
  const std::string marker = Scratch() + "\\late.txt";
  int32_t exitCode = 5;
  DWORD start = GetTickCount();
  EXPECT_EQ(Run(Sleeper(3000, 0, marker), {Boolean(false), Integer(1), IntegerVariable(&exitCode)}).low, 1u);
  EXPECT_LT(GetTickCount() - start, 1500u);
  EXPECT_FALSE(Exists(marker));
  EXPECT_EQ(exitCode, 5);  // nothing waited for, nothing to hand back

  start = GetTickCount();
  EXPECT_EQ(Run(Scratch() + "\\no such program.exe", {Boolean(true), Integer(1), IntegerVariable(&exitCode)}).low,
            0u);
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_EQ(exitCode, -1);
  EXPECT_EQ(Run("", {Boolean(true)}).low, 0u);
  // Let the sleeper finish before the scratch directory goes.
  for (int i = 0; i < 80 && !Exists(marker); ++i) Sleep(50);
}

// A thread entry: records its parameter and thread, exits with parameter + 1.
volatile uint32_t g_parameter = 0xFFFFFFFF;
volatile DWORD g_threadId = 0;
DWORD WINAPI RecordingEntry(void* parameter) {
  g_parameter = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parameter));
  g_threadId = GetCurrentThreadId();
  return g_parameter + 1;
}

TEST_F(ProcessCommandTest, StartThreadRunsTheEntryWithItsParameterAndHandsOverTheHandle) {
  const TypedValue entry{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&RecordingEntry)), 0, kTagSubroutine};
  auto call = [](std::initializer_list<TypedValue> args) { return CommandCall(false, &StartThread, args); };

  // One argument: parameter 0; the handle is nobody's.
  g_threadId = 0;
  EXPECT_EQ(call({entry}).low, 1u);
  for (int i = 0; i < 100 && !g_threadId; ++i) Sleep(10);
  EXPECT_NE(g_threadId, 0u);
  EXPECT_NE(g_threadId, GetCurrentThreadId());
  EXPECT_EQ(g_parameter, 0u);

  // Three: the variable holds a handle that can be waited on.
  int32_t handle = 0;
  EXPECT_EQ(call({entry, Integer(41), IntegerVariable(&handle)}).low, 1u);
  ASSERT_NE(handle, 0);
  HANDLE thread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  CloseHandle(thread);

  // An omitted parameter in the middle is 0.
  handle = 0;
  EXPECT_EQ(call({entry, kOmitted, IntegerVariable(&handle)}).low, 1u);
  thread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 1u);
  CloseHandle(thread);

  // No entry: no thread, and the variable says so.
  handle = 77;
  EXPECT_EQ(call({TypedValue{0, 0, kTagSubroutine}, kOmitted, IntegerVariable(&handle)}).low, 0u);
  EXPECT_EQ(handle, 0);

  EXPECT_EQ(ThreadingLibraryNotify(6, 0, 0), 0);
  EXPECT_EQ(ThreadingLibraryNotify(8, 0, 0), -1);
}

}  // namespace
