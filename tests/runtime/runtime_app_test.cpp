// RuntimeApp inside one process: the hidden owner, the nested loop, message
// pre-translation, calls into compiled code, files, data type lookup.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <vector>
#include <string>

#include "runtime/compiled_calls.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/services.h"
#include "tests/runtime/register_call.h"
#include "tests/runtime/test_program.h"

namespace {

int g_endNotices = 0, g_endHandlerRuns = 0;

int32_t __stdcall CountEndNotices(int32_t code, int32_t, int32_t) {
  if (code == 6) ++g_endNotices;
  return 0;
}
void EndHandler() { ++g_endHandlerRuns; }

class App : public ::testing::Test {
 protected:
  void SetUp() override {
    g_endNotices = g_endHandlerRuns = 0;
    types_[1].flags = 1;
    library_.notify = reinterpret_cast<uint32_t>(&CountEndNotices);
    library_.format = kLibraryFormatWord;
    library_.dataTypeCount = 2;
    library_.dataTypes = Address(types_);
    program_.AddLibrary(&library_);
    program_.AddLibrary(nullptr);
    app_ = new RuntimeApp(program_.Image(), 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  DataTypeRecord types_[2]{};
  LibraryInfo library_{};
  TestProgram program_;
  RuntimeApp* app_ = nullptr;
};

TEST_F(App, HiddenOwnerWindowLivesUntilTheEnd) {
  HWND owner = FindWindowA("_NX_HideOwner", nullptr);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner, app_->hiddenOwner.Handle());
  EXPECT_EQ(GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_EQ(app_->mainThreadId, GetCurrentThreadId());
  app_->Cleanup(0);
  EXPECT_FALSE(IsWindow(owner));
}

TEST_F(App, SecondCleanupFindsNothingMoreToDo) {
  UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&EndHandler)});
  UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&EndHandler)});  // once only
  EXPECT_EQ(g_endNotices, 0);
  app_->Cleanup(0);
  EXPECT_EQ(g_endHandlerRuns, 1);
  EXPECT_EQ(g_endNotices, 1);
  EXPECT_EQ(app_->FindDataTypeRecord(0x00010002), nullptr) << "the libraries are let go";
  app_->Cleanup(0);
  EXPECT_EQ(g_endHandlerRuns, 1);
  EXPECT_EQ(g_endNotices, 1);
  delete app_;  // the destructor runs it once more
  app_ = nullptr;
  EXPECT_EQ(g_endHandlerRuns, 1);
  EXPECT_EQ(g_endNotices, 1);
}

TEST_F(App, DataTypeCodesThatNameNoRecord) {
  EXPECT_EQ(app_->FindDataTypeRecord(0x00010002), &types_[1]);
  EXPECT_EQ(app_->FindDataTypeRecord(0x00010001), &types_[0]);
  EXPECT_EQ(app_->FindDataTypeRecord(0x00010000), nullptr);  // type index -1
  EXPECT_EQ(app_->FindDataTypeRecord(0x00010003), nullptr);  // past the type count
  EXPECT_EQ(app_->FindDataTypeRecord(0x00020001), nullptr);  // library without LibraryInfo
  EXPECT_EQ(app_->FindDataTypeRecord(0x00030001), nullptr);  // past the library count
  EXPECT_EQ(app_->FindDataTypeRecord(0x00000001), nullptr);  // library index -1
  EXPECT_EQ(app_->FindDataTypeRecord(0x80000301), nullptr);  // a system type
  EXPECT_EQ(app_->FindDataTypeRecord(0x40000001), nullptr);  // user-defined
  EXPECT_EQ(app_->FindDataTypeRecord(0), nullptr);
  EXPECT_EQ(ClassifyTypeCode(0xC0010001), TypeClass::Library);
}

// A window that ends the nested loop the way a destruction notice does.
LRESULT CALLBACK EndModalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) {
    EXPECT_EQ(RuntimeApp::Get().modalWindowId, 0x5201000Cu);
    RuntimeApp::Get().modalWindowId = 0;
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(App, NestedLoopRunsUntilItsWindowIsGoneAndRestoresThePrevious) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &EndModalProc;
  wc.lpszClassName = "EndModalTest";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, "EndModalTest", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  app_->modalWindowId = 0x52010001;
  PostMessageA(hwnd, WM_USER, 0, 0);
  app_->RunModal(0x5201000C);
  EXPECT_EQ(app_->modalWindowId, 0x52010001u);
  DestroyWindow(hwnd);
}

DWORD WINAPI PostQuitLater(void* thread) {
  Sleep(200);  // the nested loop is waiting for a message by now
  PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<uintptr_t>(thread)), WM_QUIT, 3, 0);
  return 0;
}

TEST_F(App, NestedLoopLeavesAQuitForTheMainLoop) {
  HANDLE poster = CreateThread(nullptr, 0, &PostQuitLater,
                               reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, nullptr);
  ASSERT_NE(poster, nullptr);
  app_->RunModal(0x5201000C);
  WaitForSingleObject(poster, INFINITE);
  CloseHandle(poster);
  MSG quit{};
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);
}

// Idle work belongs to the main thread: a modal loop that a worker runs
// waits for its messages and calls no idle callback.
std::vector<DWORD> g_idleThreads;
void __cdecl NoteIdleThread(uint32_t) { g_idleThreads.push_back(GetCurrentThreadId()); }

DWORD WINAPI RunModalOnWorker(void*) {
  MSG peek;
  PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE);
  RuntimeApp::Get().RunModal(0x5201000C);
  return GetCurrentThreadId();
}

TEST_F(App, AWorkersModalLoopLeavesIdleWorkToTheMainThread) {
  HWND hwnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  g_idleThreads.clear();
  app_->AddIdleCallback(hwnd, reinterpret_cast<uint32_t>(&NoteIdleThread), 0);
  DWORD workerId = 0;
  HANDLE worker = CreateThread(nullptr, 0, &RunModalOnWorker, nullptr, 0, &workerId);
  ASSERT_NE(worker, nullptr);
  Sleep(300);  // the worker's loop has gone idle by now
  app_->modalWindowId = 0;
  PostThreadMessageA(workerId, WM_NULL, 0, 0);
  ASSERT_EQ(WaitForSingleObject(worker, 5000), WAIT_OBJECT_0);
  CloseHandle(worker);
  EXPECT_EQ(std::count(g_idleThreads.begin(), g_idleThreads.end(), workerId), 0);
  app_->RemoveIdleCallback(hwnd);
  DestroyWindow(hwnd);
}

class KeyEater : public Wnd {
 public:
  BOOL PreTranslateMessage(MSG* msg) override { return msg->message == WM_KEYDOWN; }
};
KeyEater g_eater;

LRESULT CALLBACK ObjectAnswerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMessageFindObject) return reinterpret_cast<LRESULT>(&g_eater);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(App, PreTranslationAsksWindowsWithoutAnObjectForOne) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &ObjectAnswerProc;
  wc.lpszClassName = "ObjectAnswerTest";
  RegisterClassA(&wc);
  HWND parent = CreateWindowExA(0, "ObjectAnswerTest", "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
  HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  MSG key{child, WM_KEYDOWN, 'A', 0, 0, {}};
  MSG character{child, WM_CHAR, 'a', 0, 0, {}};
  EXPECT_TRUE(app_->PreTranslateMessage(&key));  // taken by the parent's object
  EXPECT_FALSE(app_->PreTranslateMessage(&character));
  DestroyWindow(parent);
}

TEST_F(App, CallsIntoCompiledCodeKeepEveryRegister) {
  RegisterCall call = MakeCall(reinterpret_cast<uint32_t>(&CallSaved), 0, 0x0EB0EB0E,
                               {reinterpret_cast<uint32_t>(&ClobberRegisters), 0, 0});
  CallWithRegisters(&call);
  EXPECT_EQ(call.outEbx, 0x0EB0EB0Eu);
  EXPECT_EQ(call.outEsi, kSentinelEsi);
  EXPECT_EQ(call.outEdi, kSentinelEdi);
  EXPECT_EQ(call.outEbp, kSentinelEbp);
  EXPECT_EQ(call.outEcx, kSentinelEcx);
  EXPECT_EQ(call.outEdx, kSentinelEdx);
  EXPECT_EQ(call.espMoved, 0);
  EXPECT_EQ(call.outEax, 0x600Du);  // only the result comes back
}

class Files : public App {
 protected:
  void SetUp() override {
    App::SetUp();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    dir_ = std::string(temp) + "find_test_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir_.c_str(), nullptr);
    CreateDirectoryA((dir_ + "\\folder").c_str(), nullptr);
    for (const char* name : {"a.txt", "b.txt", "hidden.txt"})
      CloseHandle(CreateFileA((dir_ + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr));
    SetFileAttributesA((dir_ + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  }
  void TearDown() override {
    for (const char* name : {"a.txt", "b.txt", "hidden.txt"}) {
      SetFileAttributesA((dir_ + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA((dir_ + "\\" + name).c_str());
    }
    RemoveDirectoryA((dir_ + "\\folder").c_str());
    RemoveDirectoryA(dir_.c_str());
    App::TearDown();
  }

  // Every name the search gives, through the utility dispatcher.
  std::set<std::string> FindAll(uint32_t mask, uint32_t anyFile, uint32_t* handleWord) {
    std::set<std::string> names;
    const std::string pattern = dir_ + "\\*";
    const char* next = pattern.c_str();
    for (;;) {
      auto* name = reinterpret_cast<char*>(UtilityCall(
          kUtilityFindFileNext, {reinterpret_cast<uint32_t>(next), mask, anyFile, reinterpret_cast<uint32_t>(handleWord)}));
      if (!name) break;
      EXPECT_NE(*handleWord, 0u);
      names.insert(name);
      FreeMemory(name);
      next = nullptr;  // continue the running search
    }
    return names;
  }

  std::string dir_;
};

TEST_F(Files, FindFileNextFiltersByAttribute) {
  uint32_t handle = 0;
  EXPECT_EQ(FindAll(0, 1, &handle), (std::set<std::string>{"a.txt", "b.txt", "hidden.txt"}));
  EXPECT_EQ(handle, 0u);  // the finished search closed its handle
  EXPECT_EQ(FindAll(FILE_ATTRIBUTE_HIDDEN, 0, &handle), (std::set<std::string>{"hidden.txt"}));
  EXPECT_EQ(FindAll(FILE_ATTRIBUTE_DIRECTORY, 0, &handle), (std::set<std::string>{".", "..", "folder"}));
  // Bits beyond 0x37 are ignored: 0x80 alone filters like 0.
  EXPECT_TRUE(FindAll(0x80, 0, &handle).empty());
  // Continuing with no search running gives nothing.
  EXPECT_EQ(UtilityCall(kUtilityFindFileNext, {0, 0, 1, reinterpret_cast<uint32_t>(&handle)}), 0u);
  const std::string missing = dir_ + "\\none*.xyz";
  EXPECT_EQ(UtilityCall(kUtilityFindFileNext, {reinterpret_cast<uint32_t>(missing.c_str()), 0, 1,
                                               reinterpret_cast<uint32_t>(&handle)}), 0u);
  EXPECT_EQ(handle, 0u);
}

TEST_F(Files, CloseFindEndsARunningSearch) {
  uint32_t handle = 0;
  const std::string pattern = dir_ + "\\*.txt";
  auto* first = reinterpret_cast<char*>(UtilityCall(
      kUtilityFindFileNext, {reinterpret_cast<uint32_t>(pattern.c_str()), 0, 1, reinterpret_cast<uint32_t>(&handle)}));
  ASSERT_NE(first, nullptr);
  FreeMemory(first);
  ASSERT_NE(handle, 0u);
  UtilityCall(kUtilityCloseFind, {handle});
  UtilityCall(kUtilityCloseFind, {0});
}

}  // namespace
