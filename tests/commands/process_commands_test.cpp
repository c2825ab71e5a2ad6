// Running a program (RunCommandLine) and starting a thread (StartThread).
#include <gtest/gtest.h>

#include <cstring>

#include "commands/core_library.h"
#include "commands/threading_library.h"
#include "tests/commands/commands_test_support.h"

namespace {

using ProcessCommandTest = CommandTest;

uint32_t RunLine(const std::string& line, std::initializer_list<TypedValue> more) {
  std::vector<TypedValue> args = {Text(line.c_str())};
  args.insert(args.end(), more);
  TypedValue result{};
  CompiledCommandCall(3, reinterpret_cast<uint32_t>(&RunCommandLine), args.size(), args.data(), &result);
  EXPECT_EQ(result.tag, 0u);
  return result.low;
}
std::string Sleeper(int ms, int code, const std::string& marker) {
  return ProbePath() + " sleep " + std::to_string(ms) + " " + std::to_string(code) + " " + marker;
}

TEST_F(ProcessCommandTest, WaitsForAHiddenConsoleProgramAndHandsBackItsExitCode) {
  const std::string marker = Scratch() + "\\done.txt";
  int32_t exitCode = 12345;
  const DWORD start = GetTickCount();
  EXPECT_EQ(RunLine(Sleeper(700, 42, marker), {Boolean(true), Integer(1), IntegerVariable(&exitCode)}), 1u);
  EXPECT_GE(GetTickCount() - start, 650u);
  EXPECT_TRUE(Exists(marker));
  EXPECT_EQ(exitCode, 42);
  DeleteFileA(marker.c_str());
  EXPECT_EQ(RunLine(Sleeper(100, 7, marker), {Boolean(true), Integer(1)}), 1u);  // three arguments, as before
  EXPECT_TRUE(Exists(marker));

  // The style reaches the program as its show state: omitted 2, clamped to 1..6.
  const std::string file = Scratch() + "\\startup.txt", line = ProbePath() + " startup " + file;
  const std::pair<TypedValue, const char*> styles[] = {
      {kOmitted, "1 1"},   {Integer(0), "1 0"}, {Integer(1), "1 0"}, {Integer(3), "1 2"},
      {Integer(4), "1 3"}, {Integer(5), "1 4"}, {Integer(6), "1 6"}, {Integer(9), "1 6"},
  };
  for (const auto& [style, seen] : styles) {
    ASSERT_EQ(RunLine(line, {Boolean(true), style}), 1u);
    EXPECT_EQ(ReadText(file), seen) << "style " << style.low << " tag " << style.tag;
  }
}

TEST_F(ProcessCommandTest, WithoutWaitReturnsWithinASecondAndAMissingProgramAtOnce) {
  const std::string marker = Scratch() + "\\late.txt";
  int32_t exitCode = 5;
  DWORD start = GetTickCount();
  EXPECT_EQ(RunLine(Sleeper(3000, 0, marker), {Boolean(false), Integer(1), IntegerVariable(&exitCode)}), 1u);
  EXPECT_LT(GetTickCount() - start, 1500u);
  EXPECT_FALSE(Exists(marker));
  EXPECT_EQ(exitCode, 5);  // nothing waited for, nothing handed back

  start = GetTickCount();
  EXPECT_EQ(RunLine(Scratch() + "\\missing.exe", {Boolean(true), Integer(1), IntegerVariable(&exitCode)}), 0u);
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_EQ(exitCode, -1);
  EXPECT_EQ(RunLine("", {Boolean(true)}), 0u);
  for (int i = 0; i < 80 && !Exists(marker); ++i) Sleep(50);  // the sleeper ends before its directory goes
}

// --- a program's output handed back as it comes ---

struct OutputSeen {
  std::string text;
  std::vector<DWORD> threads;
  std::string go;  // made once "first" has come
};

void __stdcall RecordOutput(uint32_t parameter, const char* text, uint32_t length) {
  auto* seen = reinterpret_cast<OutputSeen*>(static_cast<uintptr_t>(parameter));
  EXPECT_EQ(std::strlen(text), length);
  seen->text.append(text, length);
  seen->threads.push_back(GetCurrentThreadId());
  if (seen->text.find("first") != std::string::npos) WriteBytes(seen->go, {'g', 'o'});
}

uint32_t RunReading(const std::string& line, OutputSeen* seen, int32_t* exitCode) {
  const TypedValue reader{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&RecordOutput)), 0, kTagSubroutine};
  return CommandCall(true, &RunAndReadOutput,
                     {Text(line.c_str()), reader, Integer(static_cast<int32_t>(Addr(seen))), IntegerVariable(exitCode)})
      .low;
}

// The program hears its answer only if "first" reached the reader while it
// still ran; its input is empty, so it can never wait for a keyboard.
TEST_F(ProcessCommandTest, RunAndReadOutputStreamsBothOutputsToTheReaderOnTheCallingThread) {
  OutputSeen seen;
  seen.go = Scratch() + "\\go.txt";
  int32_t exitCode = 0;
  EXPECT_EQ(RunReading(ProbePath() + " talk " + seen.go + " 4294967295", &seen, &exitCode), 1u);
  EXPECT_EQ(seen.text, "first\r\nto the error output\r\ninput ended\r\nsecond\r\n");
  EXPECT_EQ(exitCode, -1);  // it ran and ended with 0xFFFFFFFF
  ASSERT_FALSE(seen.threads.empty());
  for (DWORD thread : seen.threads) EXPECT_EQ(thread, GetCurrentThreadId());

  OutputSeen none;
  exitCode = 5;
  EXPECT_EQ(RunReading(Scratch() + "\\missing.exe", &none, &exitCode), 0u);
  EXPECT_EQ(exitCode, -1);
  EXPECT_TRUE(none.threads.empty());
  // Without a reader the output goes nowhere, the code still comes back.
  EXPECT_EQ(CommandCall(true, &RunAndReadOutput,
                        {Text((ProbePath() + " sleep 10 7 " + Scratch() + "\\s.txt").c_str()), kOmitted, kOmitted,
                         IntegerVariable(&exitCode)})
                .low,
            1u);
  EXPECT_EQ(exitCode, 7);
}

// Records its parameter and thread; exits with parameter + 1.
volatile uint32_t g_parameter = 0xFFFFFFFF;
volatile DWORD g_threadId = 0;
DWORD WINAPI RecordingEntry(void* parameter) {
  g_parameter = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parameter));
  g_threadId = GetCurrentThreadId();
  return g_parameter + 1;
}

TEST_F(ProcessCommandTest, StartThreadRunsTheEntryWithItsParameterAndHandsOverTheHandle) {
  const TypedValue entry{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&RecordingEntry)), 0, kTagSubroutine};
  auto start = [](std::initializer_list<TypedValue> args) { return CommandCall(false, &StartThread, args).low; };
  EXPECT_EQ(start({entry}), 1u);  // parameter 0, handle closed
  for (int i = 0; i < 100 && !g_threadId; ++i) Sleep(10);
  EXPECT_NE(g_threadId, 0u);
  EXPECT_NE(g_threadId, GetCurrentThreadId());
  EXPECT_EQ(g_parameter, 0u);

  // The variable gets a handle to wait on; an omitted middle argument is 0.
  for (const auto& [parameter, exit] : {std::pair{Integer(41), 42u}, std::pair{kOmitted, 1u}}) {
    int32_t handle = 0;
    EXPECT_EQ(start({entry, parameter, IntegerVariable(&handle)}), 1u);
    HANDLE thread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, exit);
    CloseHandle(thread);
  }
  int32_t handle = 77;
  EXPECT_EQ(start({TypedValue{0, 0, kTagSubroutine}, kOmitted, IntegerVariable(&handle)}), 0u);
  EXPECT_EQ(handle, 0);
}

}  // namespace
