// How a program on the runtime ends: exit codes, what ran, the error box.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/child_process.h"

namespace {

constexpr uint32_t kErrorExit = 0xFFFFFFFF;

// Libraries 0 and 2 have a notify entry (2 answers -1); 1 has none, 3 is absent.
const std::string kStartTrace = "notify 0 1\nnotify 2 1\n";
// The normal cleanup: the twice-registered handler A once, then B, then the
// libraries hear the end in table order.
const std::string kEndTrace = "handler A main=1\nhandler B\nnotify 0 6\nnotify 2 6\n";

ChildResult RunScenario(const char* scenario) {
  ChildResult result = RunChild("runtime_child.exe", scenario);
  EXPECT_FALSE(result.timedOut) << scenario;
  return result;
}

bool Has(const ChildResult& r, const std::string& line) {
  return r.trace.find(line + "\n") != std::string::npos;
}

std::string OnlyBoxText(const ChildResult& r) {
  EXPECT_EQ(r.boxes.size(), 1u);
  if (r.boxes.empty()) return "";
  EXPECT_EQ(r.boxes[0].title, "错误");
  return r.boxes[0].text;
}

TEST(EndProgram, FromTheMainThreadRunsTheWholeCleanup) {
  const ChildResult r = RunScenario("end-main");
  EXPECT_EQ(r.exitCode, 5u);
  // Start-up notifies the libraries with a notify entry, in table order;
  // the end handler registered twice runs once; modules are released.
  EXPECT_EQ(r.trace, kStartTrace + "probe attach\nprobe 42\n" + kEndTrace + "probe detach free\n");
  EXPECT_TRUE(r.boxes.empty());
}

TEST(EndProgram, FromAWorkerEndsOnTheMainThread) {
  const ChildResult r = RunScenario("end-worker");
  EXPECT_EQ(r.exitCode, 5u);
  EXPECT_TRUE(Has(r, "handler A main=1")) << r.trace;
  EXPECT_TRUE(Has(r, "notify 2 6")) << r.trace;
  EXPECT_FALSE(Has(r, "worker returned")) << r.trace;
  EXPECT_FALSE(Has(r, "loop returned")) << r.trace;
}

TEST(EndProgram, FromAnEndHandlerRunsNoHandlerTwice) {
  const ChildResult r = RunScenario("end-in-handler");
  EXPECT_EQ(r.exitCode, 7u);
  EXPECT_EQ(r.trace, kStartTrace + "handler A main=1\nhandler B\nhandler C\nnotify 0 6\nnotify 2 6\n");
}

TEST(EndProgram, ClosingTheLastWindowEndsTheLoopWithCodeZero) {
  const ChildResult r = RunScenario("close-last");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(r.trace, kStartTrace + "loop returned\n" + kEndTrace);
}

TEST(EndProgram, ClosingTheLastWindowOnAWorkerEndsTheMainLoop) {
  const ChildResult r = RunChild("runtime_child.exe", "close-last-on-worker", 10000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(r.trace, kStartTrace + "startup window gone, worker window live\nloop returned\n" + kEndTrace);
}

TEST(MessageLoop, IdleCallbackOfADestroyedWindowIsDroppedUncalled) {
  const ChildResult r = RunScenario("idle");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_TRUE(Has(r, "idle 9")) << r.trace;
  EXPECT_FALSE(Has(r, "idle 7")) << r.trace;
  EXPECT_TRUE(Has(r, "loop returned")) << r.trace;
}

TEST(ErrorReporter, CodeSixShowsCodeMessageAndPosition) {
  const ChildResult r = RunScenario("error6");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r),
            "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"
            "\r\n67190330, 79\r\n");
  // No end handler runs after an error; the libraries still hear the end.
  EXPECT_FALSE(Has(r, "handler A main=1")) << r.trace;
  EXPECT_TRUE(Has(r, "notify 0 6")) << r.trace;
}

TEST(ErrorReporter, CodeZeroWithEmptyMessageShowsOnlyHeadingAndDetail) {
  const ChildResult r = RunScenario("error-empty");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r), "运行时出错!\r\n\r\n0, 0\r\n");
}

TEST(ErrorReporter, WindowPositionsAreNamedFromTheRegistry) {
  ChildResult r = RunScenario("names");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r),
            "运行时出错!\r\n\r\n错误信息：x\r\n\r\n1375797249, 369164291\r\n\"_启动窗口\"\r\n\"编辑框1\"\r\n");
  r = RunScenario("names-missing");
  EXPECT_EQ(OnlyBoxText(r),
            "运行时出错!\r\n\r\n错误信息：x\r\n\r\n1375797260, 0\r\n未找到所指定的窗口\r\n");
}

TEST(ErrorReporter, HookThatShowsTheErrorSuppressesTheBox) {
  const ChildResult r = RunScenario("hook");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_TRUE(Has(r, "hook 6 调用DLL命令后发现堆栈错误\r\n1, 2\r\n")) << r.trace;
  EXPECT_FALSE(Has(r, "handler A main=1")) << r.trace;
}

TEST(ErrorReporter, AnErrorInsideTheHookDoesNotReenterIt) {
  const ChildResult r = RunScenario("hook-nested");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r), "运行时出错!\r\n\r\n错误信息：nested\r\n\r\n0, 0\r\n");
  EXPECT_EQ(r.trace.find("hook"), r.trace.rfind("hook"));
}

TEST(StartUp, AStartupWindowTheRegistryLacksIsAnError) {
  const ChildResult r = RunScenario("startup-missing");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r),
            "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n1375797260, 0\r\n未找到所指定的窗口\r\n");
}

TEST(StartUp, UnreadableTemplateIsAnError) {
  const ChildResult r = RunScenario("bad-template");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r), "运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n\r\n0, 0\r\n");
}

TEST(StartUp, CallsIntoExternalPackagesAreNotSupported) {
  const ChildResult r = RunScenario("not-supported");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r),
            "运行时出错!\r\n\r\n错误信息：静态编译的程序不支持调用位于外部Zorn包中的子程序\r\n\r\n0, 0\r\n");
}

TEST(DllCalls, AFunctionThatLeavesItsArgumentsTripsTheStackCheck) {
  const ChildResult r = RunScenario("dll-stack");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r),
            "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"
            "\r\n67190330, 12\r\n");
}

TEST(DllCalls, EachResolutionIsReleasedAtTheEnd) {
  const ChildResult r = RunScenario("probe-twice");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(r.trace,
            kStartTrace + "probe attach\nprobe 42\nprobe 42\nprobe 5\n" + kEndTrace + "probe detach free\n");
}

TEST(DllCalls, UnresolvableCommandsNameWhatWasDeclared) {
  struct Case {
    const char* scenario;
    const char* message;
  };
  const Case cases[] = {
      {"dll-no-export", "无法找到指定DLL库文件“kernel32.dll”中的输出命令“NoSuchFunction”"},
      {"dll-no-ordinal", "无法找到指定DLL库文件“probe.dll”中的输出命令“#99”"},
      // A path with a drive letter is the only place looked in, even though
      // probe.dll lies in the run directory.
      {"dll-full-path", "无法找到指定DLL库文件“C:\\nowhere\\probe.dll”中的输出命令“ProbeValue”"},
      {"dll-no-library-name", "无法找到指定DLL库文件中的输出命令“NoSuchFunction”"},
  };
  for (const Case& c : cases) {
    const ChildResult r = RunScenario(c.scenario);
    EXPECT_EQ(r.exitCode, kErrorExit) << c.scenario;
    EXPECT_EQ(OnlyBoxText(r), std::string("运行时出错!\r\n\r\n错误信息：") + c.message + "\r\n\r\n0, 0\r\n")
        << c.scenario;
    // A module loaded for a failed lookup is released before the report.
    EXPECT_EQ(r.trace.find("probe detach exit"), std::string::npos) << c.scenario;
  }
}

TEST(Memory, HeapExhaustionEndsTheProgramWithTheSize) {
  const ChildResult r = RunScenario("alloc-fail");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r), "运行时出错!\r\n\r\n错误信息：分配 1000000 字节内存失败!\r\n\r\n0, 0\r\n");
}

TEST(Values, ConvertingANonNumericValueIsAnError) {
  const ChildResult r = RunScenario("not-numeric");
  EXPECT_EQ(r.exitCode, kErrorExit);
  EXPECT_EQ(OnlyBoxText(r), "运行时出错!\r\n\r\n错误信息：欲转换数据类型不是数值\r\n\r\n0, 0\r\n");
}

}  // namespace
