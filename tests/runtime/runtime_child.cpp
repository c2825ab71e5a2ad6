// A program on the runtime whose ending the process tests observe. The
// first argument names the scenario; Trace() lines tell what happened.
#include <windows.h>

#include <cstring>
#include <string>

#include "runtime/compiled_calls.h"
#include "runtime/error_reporter.h"
#include "runtime/form_seam.h"
#include "runtime/host_service.h"
#include "runtime/runtime_app.h"
#include "runtime/services.h"
#include "tests/runtime/test_program.h"
#include "tests/support/child_process.h"

namespace {

std::string Scenario() {
  std::string line = GetCommandLineA();
  const size_t space = line.rfind(' ');
  return space == std::string::npos ? "" : line.substr(space + 1);
}

// --- a stand-in registry: one plain window 0x52010001 ---

constexpr uint32_t kWindowId = 0x52010001;
HWND g_window = nullptr;
bool g_windowLive = false;
// A window that a worker thread made: it belongs to that thread.
HWND g_workerWindow = nullptr;
volatile bool g_workerWindowLive = false;

LRESULT CALLBACK FakeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && (hwnd == g_window || hwnd == g_workerWindow)) {
    (hwnd == g_window ? g_windowLive : g_workerWindowLive) = false;
    RuntimeApp::Get().CheckLastWindowClosed();
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool FakeLoadWindow(uint32_t windowId, int, bool, HWND) {
  if (windowId != kWindowId) return false;
  WNDCLASSA wc{};
  wc.lpfnWndProc = &FakeWindowProc;
  wc.lpszClassName = "FakeRuntimeWindow";
  RegisterClassA(&wc);
  g_window = CreateWindowExA(0, "FakeRuntimeWindow", "fake", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             200, 100, nullptr, nullptr, nullptr, nullptr);
  g_windowLive = g_window != nullptr;
  return g_windowLive;
}

bool FakeAnyWindowLive() { return g_windowLive || g_workerWindowLive; }

const char* FakeWindowName(uint32_t windowId) { return windowId == kWindowId ? "_启动窗口" : nullptr; }

bool FakeUnitOf(uint32_t windowId, uint32_t line, uint32_t* unitId, const char** name) {
  if (windowId != kWindowId) return false;
  if (line == 0) {
    *unitId = 0x06010000;
    *name = "_启动窗口";
    return true;
  }
  if (line == 0x16010003 || line == 0x26010009) {
    *unitId = line;
    *name = "编辑框1";
    return true;
  }
  return false;
}

FormSeam MakeFakeForms() {
  FormSeam seam{};
  seam.windowName = &FakeWindowName;
  seam.unitOf = &FakeUnitOf;
  seam.loadWindow = &FakeLoadWindow;
  seam.anyWindowLive = &FakeAnyWindowLive;
  return seam;
}
const FormSeam kFakeForms = MakeFakeForms();

// --- libraries that report their notifications ---

int32_t __stdcall NotifyFirst(int32_t code, int32_t, int32_t) {
  Trace("notify 0 " + std::to_string(code));
  return 0;
}
int32_t __stdcall NotifyThird(int32_t code, int32_t, int32_t) {
  Trace("notify 2 " + std::to_string(code));
  return -1;  // does not handle it: still counts as notified
}

LibraryInfo MakeLibrary(int32_t(__stdcall* notify)(int32_t, int32_t, int32_t)) {
  LibraryInfo info{};
  info.format = kLibraryFormatWord;
  info.notify = reinterpret_cast<uint32_t>(notify);
  return info;
}
const LibraryInfo kFirstLibrary = MakeLibrary(&NotifyFirst);
const LibraryInfo kSecondLibrary = MakeLibrary(nullptr);
const LibraryInfo kThirdLibrary = MakeLibrary(&NotifyThird);

const char kBadTemplate[10] = {1, 2, 3};

TestProgram& Program() {
  static TestProgram program;
  static bool made = false;
  if (!made) {
    made = true;
    program.AddDllCommand("probe.dll", "ProbeValue");
    program.AddDllCommand("probe.dll", "ProbeCdecl");
    program.AddDllCommand("kernel32.dll", "NoSuchFunction");     // 2
    program.AddDllCommand("probe.dll", "#99");                   // 3
    program.AddDllCommand("C:\\nowhere\\probe.dll", "ProbeValue");  // 4
    program.AddDllCommand("", "NoSuchFunction");                 // 5
    program.AddDllCommand("probe.dll", "ProbeAdd");              // 6
    program.AddLibrary(&kFirstLibrary);
    program.AddLibrary(&kSecondLibrary);
    program.AddLibrary(&kThirdLibrary);
    program.AddLibrary(nullptr);
    if (Scenario() == "bad-template") program.SetTemplate(kBadTemplate, sizeof kBadTemplate);
  }
  return program;
}

// --- the application's subroutines ---

bool OnMainThread() { return GetCurrentThreadId() == RuntimeApp::Get().mainThreadId; }

void __cdecl HandlerA() { Trace(std::string("handler A main=") + (OnMainThread() ? "1" : "0")); }
void __cdecl HandlerB() {
  Trace("handler B");
}

// Ends the program from inside the end-of-program cleanup.
int g_handlerCCalls = 0;
void __cdecl HandlerC() {
  if (++g_handlerCCalls > 1) {
    Trace("handler C again");
    return;
  }
  Trace("handler C");
  ServiceEndProgram(7);
}

DWORD WINAPI Worker(void*) {
  Sleep(200);
  ServiceEndProgram(5);
  Trace("worker returned");  // never
  return 0;
}

// Closes the startup window from here, then its own window, the last one.
DWORD WINAPI WindowWorker(void*) {
  g_workerWindow = CreateWindowExA(0, "FakeRuntimeWindow", "worker", WS_OVERLAPPEDWINDOW, 0, 0, 100, 50,
                                   nullptr, nullptr, nullptr, nullptr);
  g_workerWindowLive = g_workerWindow != nullptr;
  SendMessageA(g_window, WM_CLOSE, 0, 0);
  Trace(std::string("startup window gone, worker window ") + (g_workerWindowLive ? "live" : "missing"));
  DestroyWindow(g_workerWindow);
  return 0;
}

HWND g_spare = nullptr;
void __cdecl IdleOnSpare(uint32_t parameter) { Trace("idle " + std::to_string(parameter)); }
void __cdecl IdleOnWindow(uint32_t parameter) {
  Trace("idle " + std::to_string(parameter));
  PostMessageA(g_window, WM_CLOSE, 0, 0);
}

int32_t __cdecl Hook(int32_t code, const char* text) {
  Trace("hook " + std::to_string(code) + " " + text);
  if (Scenario() == "hook-nested") ReportError("nested", 0, 0, 0);
  return 1;
}

void Run(const std::string& scenario) {
  if (scenario == "end-main") {
    Trace("probe " + std::to_string(DllCall(0, {}, 0, 0)));
    ServiceEndProgram(5);
  } else if (scenario == "end-worker") {
    ServiceLoadStartupWindow(kWindowId);
    CloseHandle(CreateThread(nullptr, 0, &Worker, nullptr, 0, nullptr));
    ServiceRunMessageLoop();
    Trace("loop returned");
  } else if (scenario == "close-last-on-worker") {
    ServiceLoadStartupWindow(kWindowId);
    CloseHandle(CreateThread(nullptr, 0, &WindowWorker, nullptr, 0, nullptr));
    ServiceRunMessageLoop();
    Trace("loop returned");
  } else if (scenario == "end-in-handler") {
    UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&HandlerC)});
  } else if (scenario == "close-last") {
    ServiceLoadStartupWindow(kWindowId);
    PostMessageA(g_window, WM_CLOSE, 0, 0);
    ServiceRunMessageLoop();
    Trace("loop returned");
  } else if (scenario == "idle") {
    ServiceLoadStartupWindow(kWindowId);
    g_spare = CreateWindowExA(0, "FakeRuntimeWindow", "spare", 0, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
    const uint32_t spare[3] = {reinterpret_cast<uint32_t>(g_spare), reinterpret_cast<uint32_t>(&IdleOnSpare), 7};
    const uint32_t main[3] = {reinterpret_cast<uint32_t>(g_window), reinterpret_cast<uint32_t>(&IdleOnWindow), 9};
    HostService(1012, reinterpret_cast<int32_t>(spare), 0);
    HostService(1012, reinterpret_cast<int32_t>(main), 0);
    DestroyWindow(g_spare);
    ServiceRunMessageLoop();
    Trace("loop returned");
  } else if (scenario == "error6") {
    ServiceReportRuntimeError(6, 0x04013E3A, 79);
  } else if (scenario == "error-empty") {
    ReportError("", 0, 0, 0);
  } else if (scenario == "names") {
    ReportError("x", 0, 0x52010001, 0x16010003);
  } else if (scenario == "names-missing") {
    ReportError("x", 0, 0x5201000c, 0);
  } else if (scenario == "hook" || scenario == "hook-nested") {
    RuntimeApp::Get().errorHook = &Hook;
    ServiceReportRuntimeError(6, 1, 2);
  } else if (scenario == "startup-missing") {
    ServiceLoadStartupWindow(0x5201000c);
  } else if (scenario == "not-supported") {
    NotSupportedEntry();
  } else if (scenario == "probe-twice") {
    // Two commands through one DLL, one of them called twice: each
    // resolution loads it once, and the end releases it as often.
    Trace("probe " + std::to_string(DllCall(0, {}, 0, 0)));
    Trace("probe " + std::to_string(DllCall(0, {}, 0, 0)));
    Trace("probe " + std::to_string(DllCall(6, {2, 3}, 0, 0)));
  } else if (scenario == "dll-no-export") {
    DllCall(2, {}, 0, 0);
  } else if (scenario == "dll-no-ordinal") {
    DllCall(3, {}, 0, 0);
  } else if (scenario == "dll-full-path") {
    DllCall(4, {}, 0, 0);
  } else if (scenario == "dll-no-library-name") {
    DllCall(5, {}, 0, 0);
  } else if (scenario == "alloc-fail") {
    RuntimeApp::Get().heap = HeapCreate(0, 0x10000, 0x10000);
    ServiceAllocateMemory(1000000);
  } else if (scenario == "not-numeric") {
    const TypedValue text{0, 0, kTagText};
    HostService(2001, reinterpret_cast<int32_t>(&text), 0);
  } else if (scenario == "dll-stack") {
    DllCall(1, {41}, 0x04013E3A, 12);
  }
}

int __cdecl Entry() {
  UtilityCall(kUtilityInitialiseRuntime, {});
  UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&HandlerA)});
  UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&HandlerA)});
  UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&HandlerB)});
  Run(Scenario());
  return 0;
}

RuntimeApp theApp(Program().Image(), reinterpret_cast<uint32_t>(&Entry), &kFakeForms);

}  // namespace
