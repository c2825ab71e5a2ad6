// The fixture of the form runtime tests: a RuntimeApp over a template that
// the test builds, the test library, and helpers to load, pump and read.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/form_runtime.h"
#include "forms/template_writer.h"
#include "runtime/form_seam.h"
#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "tests/forms/test_units.h"
#include "tests/runtime/test_program.h"

class FormTest : public ::testing::Test {
 protected:
  // Builds the program over the description; codeBase 0 binds handlers by
  // their addresses.
  void Start(const TemplateDescription& description, uint32_t codeBase = 0) {
    ASSERT_TRUE(WriteTemplate(description, &segment_));
    program_.AddLibrary(TestLibrary());
    program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
    program_.SetCodeBase(codeBase);
    app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
    app_->InitialiseRuntime();
    ClearLog();
    g_returnResult = false;
    g_handlerResult = g_handlerResultHigh = 0;
    g_probe = nullptr;
  }

  void TearDown() override {
    if (!app_) return;
    for (int32_t i = 0, n = HostService(2032, 0, 0); i < n; ++i) {
      HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(HostService(2033, i, 0)));
      if (hwnd) DestroyWindow(hwnd);
    }
    Pump();
    delete app_;
    app_ = nullptr;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_probe = nullptr;
  }

  // HostService 2005, as the window-loading command calls it.
  int32_t Load(uint32_t windowId, bool modal = false, Wnd* owner = nullptr) {
    uint32_t request[3] = {windowId, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)), modal ? 1u : 0u};
    return HostService(2005, static_cast<int32_t>(reinterpret_cast<uintptr_t>(request)), 0);
  }
  Wnd* Object(uint32_t windowId, uint32_t unitId) {
    return reinterpret_cast<Wnd*>(static_cast<uintptr_t>(
        HostService(2006, static_cast<int32_t>(windowId), static_cast<int32_t>(unitId))));
  }
  HWND Handle(uint32_t windowId, uint32_t unitId) {
    Wnd* object = Object(windowId, unitId);
    return object ? object->Handle() : nullptr;
  }
  void Pump() { app_->PumpWaiting(); }
  // Runs a worker while this thread serves the windows it touches; false
  // when it has not finished within 20 seconds.
  bool RunWorker(LPTHREAD_START_ROUTINE worker, void* parameter) {
    HANDLE thread = CreateThread(nullptr, 0, worker, parameter, 0, nullptr);
    if (!thread) return false;
    const DWORD start = GetTickCount();
    bool finished = true;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
      Pump();
      if (GetTickCount() - start > 20000) {
        finished = false;
        break;
      }
    }
    CloseHandle(thread);
    return finished;
  }
  // Lines of the log from the first one that starts with `from`.
  std::vector<std::string> LogFrom(const std::string& from) {
    std::vector<std::string> lines;
    bool on = false;
    for (const std::string& line : Log()) {
      if (line.rfind(from, 0) == 0) on = true;
      if (on) lines.push_back(line);
    }
    return lines;
  }

  std::vector<uint8_t> segment_;
  TestProgram program_;
  RuntimeApp* app_ = nullptr;
};

// While it lives, new windows of the class of `sample` refuse WM_CREATE after
// their object has seen it: their creation fails after its first messages.
class RefusedCreation {
 public:
  explicit RefusedCreation(HWND sample) : sample_(sample), previous_(SetClassLongPtrA(sample, GCLP_WNDPROC, LONG_PTR(&Refuse))) {}
  ~RefusedCreation() { SetClassLongPtrA(sample_, GCLP_WNDPROC, previous_); }
 private:
  static LRESULT CALLBACK Refuse(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Wnd::ClassProc(hwnd, message, wParam, lParam);
    return message == WM_CREATE ? -1 : result;
  }
  HWND sample_;
  LONG_PTR previous_;
};

inline uint32_t ReadProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t member = -1) {
  return static_cast<uint32_t>(RuntimeApp::Get().forms->readUnitProperty(windowId, unitId, index, member));
}
inline uint64_t ReadWide(uint32_t windowId, uint32_t unitId, int32_t index) {
  return RuntimeApp::Get().forms->readUnitProperty(windowId, unitId, index, -1);
}
inline void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t index, uint32_t low,
                          int32_t member = -1, uint32_t high = 0) {
  RuntimeApp::Get().forms->writeUnitProperty(windowId, unitId, index, member, low, high);
}
template <typename T>
uint32_t Addr(const T* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}
template <typename T>
T* At(uint32_t address) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}
