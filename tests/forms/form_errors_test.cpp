// Fatal errors of the form runtime: each case runs in a child process whose
// message box the test reads and dismisses; the child must end with -1.
// And the end of a program that a worker thread's window is part of.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/child_process.h"

namespace {

void ExpectError(const std::string& name, const std::string& message, const std::string& output = "ready\n") {
  SCOPED_TRACE(name);
  const ChildResult outcome = RunChild("form_error_child.exe", name);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(outcome.trace, output);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].title, "错误");
  EXPECT_NE(outcome.boxes[0].text.find(message), std::string::npos) << outcome.boxes[0].text;
}

TEST(FormErrors, PropertyAccessToMissingOrUnloadedUnits) {
  ExpectError("unit-not-held", "指定窗口或窗口组件不存在或尚未载入");
  ExpectError("own-property-unloaded", "读取组件属性时发现指定窗口尚未载入");
  ExpectError("write-own-property-unloaded", "修改组件属性时发现指定窗口尚未载入");
  ExpectError("window-not-registered", "未载入欲访问窗口组件所在的窗口");
}

TEST(FormErrors, LoadingAndFindingFailures) {
  // A unit whose type has no entry function: the startup window fails cleanly.
  ExpectError("startup-no-type", "载入启动窗口失败");
  ExpectError("startup-unregistered-type", "载入启动窗口失败");
  ExpectError("find-2007", "指定窗口或窗口组件不存在或尚未载入");
}

TEST(FormErrors, EventsFromUnitsThatCannotRaiseThem) {
  ExpectError("silent-type-event", "引发事件的窗口组件无效", "ready\nloaded\n");
  ExpectError("event-unknown-unit", "未找到引发事件的窗口组件");
}

// A worker loads a window, the main thread writes its properties and hides
// another window, and the worker ends the program while the main loop runs.
// The cleanup deletes the worker's objects on the main thread; the end
// handler then makes the worker's window answer a message, which must not
// reach a deleted object (the test objects fault on any use after delete).
TEST(FormThreads, AWorkerLoadsAWindowAndEndsTheProgram) {
  const ChildResult outcome = RunChild("form_error_child.exe", "worker-ends-program");
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.trace,
            "ready\nworker loaded 0\nmain wrote 40 77, side visible 0\nworker ends\n"
            "end handler read test\n");
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(FindWindowA("_NX_TestWindow", nullptr), nullptr);
  EXPECT_EQ(FindWindowA("_NX_HideOwner", nullptr), nullptr);
}

}  // namespace
