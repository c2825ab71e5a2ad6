// The framework's window objects: binding on creation, subclassing of the
// standard controls, reflection of child notifications, the per-thread map
// and the after-destroy hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/win_app.h"
#include "framework/wnd.h"

namespace {

std::vector<std::string> g_log;

class Parent : public Wnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND || message == WM_VSCROLL || message == WM_CTLCOLOREDIT)
      g_log.push_back("parent " + std::to_string(message));
    return DefaultProc(message, wParam, lParam);
  }
};

class Child : public Wnd {
 public:
  explicit Child(const char* name, bool handles = true) : name_(name), handles_(handles) {}
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result) override {
    const bool coded = message == WM_COMMAND || message == WM_VSCROLL;
    g_log.push_back(name_ + " reflected " + std::to_string(message) + " " +
                    std::to_string(coded ? HIWORD(wParam) : 0));
    *result = 42;
    return handles_;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CHAR) g_log.push_back(name_ + " char " + std::to_string(wParam));
    return DefaultProc(message, wParam, lParam);
  }
  void OnFinalMessage() override {
    g_log.push_back(name_ + " final");
    if (deleteSelf) delete this;
  }
  bool deleteSelf = false;

 private:
  std::string name_;
  bool handles_;
};

class WndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Wnd::ClassProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WndTestParent";
    RegisterClassA(&wc);
    ASSERT_TRUE(parent_.CreateEx(0, "WndTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr));
    g_log.clear();
  }
  void TearDown() override { parent_.DestroyWindow(); }
  HWND Control(const char* cls, DWORD style, int id) {
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 50, 20, parent_.Handle(),
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), GetModuleHandleA(nullptr), nullptr);
  }
  Parent parent_;
};

TEST_F(WndTest, ObjectsAreBoundFromTheFirstMessageOfTheirWindow) {
  EXPECT_EQ(Wnd::FromHandlePermanent(parent_.Handle()), &parent_);
  EXPECT_EQ(Wnd::FromHandlePermanent(nullptr), nullptr);
}

TEST_F(WndTest, SubclassedEditStillWorksAndSeesItsMessagesFirst) {
  HWND edit = Control("EDIT", 0, 101);
  Child child("edit");
  ASSERT_TRUE(child.Subclass(edit));
  EXPECT_FALSE(child.Subclass(edit));  // already bound
  SendMessageA(edit, WM_CHAR, 'x', 0);
  char text[8] = {};
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "x");
  // The character first, then the edit's change notices reflected back.
  const std::vector<std::string> bound = {"edit char 120", "edit reflected 273 1024", "edit reflected 273 768"};
  EXPECT_EQ(g_log, bound);
  // Detaching puts the control's own procedure back; its notices now stay
  // with the parent.
  EXPECT_EQ(child.Detach(), edit);
  g_log.clear();
  SendMessageA(edit, WM_CHAR, 'y', 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"parent 273", "parent 273"}));
  DestroyWindow(edit);
}

TEST_F(WndTest, NotificationsAreReflectedToTheChildsOwnObject) {
  HWND button = Control("BUTTON", BS_PUSHBUTTON, 102);
  HWND edit = Control("EDIT", 0, 103);
  HWND spinner = Control("msctls_updown32", 0, 104);
  Child buttonObject("button"), editObject("edit", false), spinnerObject("spinner");
  ASSERT_TRUE(buttonObject.Subclass(button));
  ASSERT_TRUE(editObject.Subclass(edit));
  ASSERT_TRUE(spinner);
  ASSERT_TRUE(spinnerObject.Subclass(spinner));

  SendMessageA(button, BM_CLICK, 0, 0);
  const std::vector<std::string> clicked = {"button reflected 273 0"};  // WM_COMMAND, BN_CLICKED
  EXPECT_EQ(g_log, clicked);

  // Not handled by the child: the parent gets it.
  g_log.clear();
  HDC dc = GetDC(edit);
  SendMessageA(parent_.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
  ReleaseDC(edit, dc);
  EXPECT_EQ(g_log, (std::vector<std::string>{"edit reflected 307 0", "parent 307"}));

  {
    g_log.clear();
    EXPECT_EQ(SendMessageA(parent_.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3),
                           reinterpret_cast<LPARAM>(spinner)), 42);
    EXPECT_EQ(g_log, std::vector<std::string>{"spinner reflected 277 3"});
  }
  // A menu command (no control) goes to the parent.
  g_log.clear();
  SendMessageA(parent_.Handle(), WM_COMMAND, 5, 0);
  EXPECT_EQ(g_log, std::vector<std::string>{"parent 273"});
}

DWORD WINAPI LookUpFromAnotherThread(void* parameter) {
  return Wnd::FromHandlePermanent(static_cast<HWND>(parameter)) != nullptr ? 1 : 0;
}

TEST_F(WndTest, TheHandleMapIsPerThread) {
  HANDLE thread = CreateThread(nullptr, 0, &LookUpFromAnotherThread, parent_.Handle(), 0, nullptr);
  ASSERT_TRUE(thread);
  WaitForSingleObject(thread, 5000);
  DWORD found = 2;
  GetExitCodeThread(thread, &found);
  CloseHandle(thread);
  EXPECT_EQ(found, 0u);
}

// A worker binds an object to its window; the main thread deletes the
// object (as the end-of-program cleanup does): the worker's lookups must
// no longer find it.
struct WorkerWindow {
  Child* object = nullptr;
  HANDLE made = nullptr, deleted = nullptr;
  Wnd* foundBefore = nullptr;
  Wnd* foundAfter = reinterpret_cast<Wnd*>(1);
};

DWORD WINAPI BindOnWorker(void* parameter) {
  auto* w = static_cast<WorkerWindow*>(parameter);
  w->object = new Child("worker");
  w->object->CreateEx(0, "WndTestParent", "", WS_OVERLAPPED, 0, 0, 20, 20, nullptr, nullptr);
  w->foundBefore = Wnd::FromHandlePermanent(w->object->Handle());
  HWND hwnd = w->object->Handle();
  SetEvent(w->made);
  WaitForSingleObject(w->deleted, 5000);
  w->foundAfter = Wnd::FromHandlePermanent(hwnd);
  SendMessageA(hwnd, WM_CHAR, 'x', 0);  // reaches no object now
  DestroyWindow(hwnd);
  return 0;
}

TEST_F(WndTest, DeletingAnObjectOnAnotherThreadUnbindsItThere) {
  WorkerWindow w;
  w.made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  w.deleted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, &BindOnWorker, &w, 0, nullptr);
  ASSERT_TRUE(thread);
  ASSERT_EQ(WaitForSingleObject(w.made, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(w.foundBefore, w.object);
  EXPECT_EQ(Wnd::FromHandlePermanent(w.object->Handle()), nullptr);  // not this thread's
  delete w.object;
  SetEvent(w.deleted);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(w.foundAfter, nullptr);
  EXPECT_EQ(g_log, std::vector<std::string>{});
  for (HANDLE h : {thread, w.made, w.deleted}) CloseHandle(h);
}

// Each thread's pump keeps its own last message: a worker pumping while the
// main thread dispatches does not change what the main thread took.
class PumpApp : public WinApp {};

DWORD WINAPI PumpOnWorker(void* app) {
  MSG peek;  // makes this thread's queue
  PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP + 9, 9, 0);
  static_cast<WinApp*>(app)->PumpMessage();
  return static_cast<WinApp*>(app)->LastMessage().message == WM_APP + 9 ? 1 : 0;
}

class Pumper : public Wnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP + 5) {
      HANDLE thread = CreateThread(nullptr, 0, &PumpOnWorker, app, 0, nullptr);
      WaitForSingleObject(thread, 5000);
      GetExitCodeThread(thread, &workerSawItsOwn);
      CloseHandle(thread);
      return 0;
    }
    return DefaultProc(message, wParam, lParam);
  }
  WinApp* app = nullptr;
  DWORD workerSawItsOwn = 2;
};

TEST_F(WndTest, EachThreadPumpsIntoItsOwnLastMessage) {
  PumpApp app;
  Pumper pumper;
  pumper.app = &app;
  ASSERT_TRUE(pumper.CreateEx(0, "WndTestParent", "", WS_OVERLAPPED, 0, 0, 20, 20, nullptr, nullptr));
  PostMessageA(pumper.Handle(), WM_APP + 5, 5, 0);
  ASSERT_TRUE(app.PumpMessage());
  EXPECT_EQ(pumper.workerSawItsOwn, 1u);
  EXPECT_EQ(app.LastMessage().message, static_cast<UINT>(WM_APP + 5));
  EXPECT_EQ(app.LastMessage().wParam, 5u);
  PostQuitMessage(7);
  EXPECT_FALSE(app.PumpMessage());
  EXPECT_EQ(app.ExitInstance(), 7);
  pumper.DestroyWindow();
}

TEST_F(WndTest, AnObjectMayDeleteItselfAfterItsWindowIsGone) {
  HWND button = Control("BUTTON", BS_PUSHBUTTON, 105);
  auto* child = new Child("button");
  child->deleteSelf = true;
  ASSERT_TRUE(child->Subclass(button));
  DestroyWindow(button);
  EXPECT_EQ(g_log, std::vector<std::string>{"button final"});
  EXPECT_EQ(Wnd::FromHandlePermanent(button), nullptr);
}

}  // namespace
