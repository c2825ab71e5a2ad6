// The call-back entry that libraries use, code by code.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"
#include "tests/runtime/test_program.h"

namespace {

int32_t g_lastNotifyCode = 0, g_lastNotifyArgument = 0, g_lastNotifyRecord = 0;

int32_t __stdcall Notify(int32_t code, int32_t argument1, int32_t argument2) {
  g_lastNotifyCode = code;
  g_lastNotifyArgument = argument1;
  g_lastNotifyRecord = argument2;
  return code == 8 ? 77 : 0;
}

class Host : public ::testing::Test {
 protected:
  void SetUp() override {
    types_[0].flags = 0x4;
    types_[1].flags = 0x40;
    types_[2].flags = 0x44;
    library_.format = kLibraryFormatWord;
    library_.dataTypeCount = 3;
    library_.dataTypes = Address(types_);
    library_.notify = reinterpret_cast<uint32_t>(&Notify);
    program_.AddLibrary(&library_);
    app_ = new RuntimeApp(program_.Image(), 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  static int32_t Word(const void* p) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p)); }

  DataTypeRecord types_[3]{};
  LibraryInfo library_{};
  TestProgram program_;
  RuntimeApp* app_ = nullptr;
};

TEST_F(Host, StartUpHandsTheEntryToEachLibrary) {
  EXPECT_EQ(g_lastNotifyCode, 1);
  EXPECT_EQ(g_lastNotifyArgument, Word(reinterpret_cast<void*>(&HostService)));
}

TEST_F(Host, CodesOutsideTheTableAnswerZero) {
  EXPECT_EQ(HostService(999, 1, 2), 0);
  EXPECT_EQ(HostService(1015, 1, 2), 0);
  EXPECT_EQ(HostService(2002, 1, 2), 0);
  EXPECT_EQ(HostService(2041, 1, 2), 0);
  EXPECT_EQ(HostService(1004, 0, 0), 1);
  EXPECT_EQ(HostService(1005, 0, 0), 0x00070005);
  EXPECT_EQ(HostService(2030, 0, 0), 3);
}

TEST_F(Host, PathTextsBySelector) {
  char buffer[MAX_PATH + 2];
  std::memset(buffer, 'x', sizeof buffer);
  HostService(1006, 7, Word(buffer));
  EXPECT_STREQ(buffer, "");

  HostService(1006, 1, Word(buffer));
  EXPECT_EQ(std::string(buffer), app_->runDirectory + "\\");
  HostService(1006, 2001, Word(buffer));
  EXPECT_EQ(std::string(buffer), app_->runDirectory + "\\");
  HostService(1006, 2002, Word(buffer));
  EXPECT_STREQ(buffer, "host_service_test.exe");

  EXPECT_EQ(std::string(reinterpret_cast<const char*>(HostService(2003, 0, 0))), app_->runDirectory);
  EXPECT_STREQ(reinterpret_cast<const char*>(HostService(2004, 0, 0)), "host_service_test.exe");
}

// CTest starts the test in the run directory already; start from elsewhere.
TEST_F(Host, InitialisingMovesIntoTheRunDirectory) {
  char module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, module, sizeof module), 0u);
  const std::string programDirectory(module, std::strrchr(module, '\\'));
  delete app_;
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(windows));
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(sizeof cwd, cwd);
  ASSERT_NE(std::string(cwd), programDirectory);

  app_ = new RuntimeApp(program_.Image(), 0, nullptr);
  app_->InitialiseRuntime();
  GetCurrentDirectoryA(sizeof cwd, cwd);
  EXPECT_EQ(std::string(cwd), programDirectory);
  EXPECT_EQ(app_->runDirectory, programDirectory);
}

TEST_F(Host, DataTypeFlagsAndDescriptions) {
  EXPECT_EQ(HostService(1002, 0x00010002, 0), Word(&types_[1]));
  EXPECT_EQ(HostService(1002, 0x00010004, 0), 0);
  EXPECT_EQ(HostService(2029, 0x00010001, 0), 2);
  EXPECT_EQ(HostService(2029, 0x00010002, 0), 1);
  EXPECT_EQ(HostService(2029, 0x00010003, 0), 2);  // bit 0x4 wins
  EXPECT_EQ(HostService(2029, 0x00020001, 0), 0);

  uint32_t record[4] = {9, 9, 9, 9};
  EXPECT_EQ(HostService(2036, 0x00010030, Word(record)), 1);
  EXPECT_EQ(record[0], 0x00010030u);
  EXPECT_EQ(HostService(2036, 0x00010003, Word(record)), 77);  // asked of the library
  EXPECT_EQ(g_lastNotifyCode, 8);
  EXPECT_EQ(g_lastNotifyArgument, 2);
  EXPECT_EQ(g_lastNotifyRecord, Word(record));
}

TEST_F(Host, MemoryCodes) {
  void* block = reinterpret_cast<void*>(HostService(2024, 100, 0));
  ASSERT_NE(block, nullptr);
  block = reinterpret_cast<void*>(HostService(2026, Word(block), 300));
  EXPECT_EQ(HeapSize(GetProcessHeap(), 0, block), 300u);
  HostService(2025, Word(block), 0);

  // A heap that cannot grow: the may-fail request answers 0.
  HANDLE small = HeapCreate(0, 0x10000, 0x10000);
  app_->heap = small;
  EXPECT_EQ(HostService(2024, 1000000, 1), 0);
  app_->heap = GetProcessHeap();
  HeapDestroy(small);
}

int BusyBlocks(HANDLE heap) {
  int busy = 0;
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
  return busy;
}

TEST_F(Host, FreeingAnArrayOfTextsFreesItsElements) {
  HANDLE heap = HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
  app_->heap = heap;
  const int before = BusyBlocks(heap);
  auto* array = static_cast<uint32_t*>(AllocateMemory(4 * 5));
  array[0] = 1;
  array[1] = 3;
  array[2] = reinterpret_cast<uint32_t>(MakeTextCopy("a"));
  array[3] = 0;
  array[4] = reinterpret_cast<uint32_t>(MakeTextCopy("b"));
  EXPECT_EQ(BusyBlocks(heap), before + 3);
  HostService(2023, kTagText | kTagArrayFlag, Word(array));
  EXPECT_EQ(BusyBlocks(heap), before);

  // An integer array is not a tag the code frees.
  auto* numbers = static_cast<uint32_t*>(AllocateMemory(12));
  numbers[0] = 1;
  numbers[1] = 1;
  HostService(2023, kTagInt | kTagArrayFlag, Word(numbers));
  EXPECT_EQ(BusyBlocks(heap), before + 1);
  app_->heap = GetProcessHeap();
  HeapDestroy(heap);
}

TEST_F(Host, ToIntegerOfAValue) {
  TypedValue value{static_cast<uint32_t>(-7), 0, kTagShort};
  EXPECT_EQ(HostService(2001, Word(&value), 0), -7);
}

TEST_F(Host, FrameworkWindowObjects) {
  HWND hwnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(HostService(1007, 0, 0), 0);
  const int32_t object = HostService(1007, Word(hwnd), 0);
  ASSERT_NE(object, 0);
  EXPECT_EQ(HostService(1010, object, 0), Word(hwnd));
  EXPECT_EQ(HostService(1011, Word(hwnd), object), 0);  // already attached
  EXPECT_EQ(HostService(1009, object, 0), Word(hwnd));  // detached
  EXPECT_EQ(HostService(1010, object, 0), 0);
  EXPECT_EQ(HostService(1011, Word(hwnd), object), 1);
  EXPECT_EQ(HostService(1010, object, 0), Word(hwnd));
  HostService(1008, object, 0);
  DestroyWindow(hwnd);
}

TEST_F(Host, IdleCallbacksAreKeptOncePerLiveWindow) {
  HWND hwnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const uint32_t entry[3] = {Address(hwnd), 0x401000, 5};
  const uint32_t again[3] = {Address(hwnd), 0x402000, 6};
  const uint32_t noWindow[3] = {0, 0x401000, 5};
  const uint32_t noCallback[3] = {Address(hwnd), 0, 5};
  for (const uint32_t* record : {entry, again, noWindow, noCallback})
    HostService(1012, Word(record), 0);
  ASSERT_EQ(app_->idleWindows.size(), 1u);
  EXPECT_EQ(app_->idleCallbacks[0], 0x401000u);
  EXPECT_EQ(app_->idleParameters[0], 5u);
  HostService(1013, Word(hwnd), 0);
  EXPECT_TRUE(app_->idleWindows.empty());
  DestroyWindow(hwnd);
}

TEST_F(Host, EventBlockingAroundPumps) {
  const LONG depth = app_->suppressDepth;
  HostService(2009, 0, 0);
  EXPECT_EQ(app_->suppressDepth, depth + 1);
  HostService(2010, 0, 0);
  HostService(2010, 0, 0);  // never below zero
  EXPECT_EQ(app_->suppressDepth, depth > 0 ? depth - 1 : 0);
}

}  // namespace
