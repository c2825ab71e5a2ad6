// Child program of the error tests: runs one case that must end in the
// runtime error reporter (a message box, then exit code -1), or the case in
// which a worker thread loads a window and ends the program.
//   form_error_child <case>   (progress lines go to the test trace)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "forms/form_runtime.h"
#include "runtime/form_seam.h"
#include "runtime/host_service.h"
#include "runtime/runtime_app.h"
#include "tests/forms/test_units.h"
#include "tests/runtime/test_program.h"
#include "tests/support/child_process.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kBroken = 0x52000002;
constexpr uint32_t kU2 = 0x16000002, kSilent = 0x16000003;
constexpr uint32_t kSide = 0x52000004, kWorker = 0x52000005, kWorkerUnit = 0x16000006;

TemplateDescription Description() {
  TemplateWindow main;
  main.id = kMain;
  main.units = {TestWindowUnit(0x06000001), TestUnit(kU2), TestUnit(kSilent, kTestSilentType)};
  TemplateWindow broken;
  broken.id = kBroken;
  broken.units = {TestWindowUnit(0x06000002), TestUnit(0x16000004, kTestNoEntryType)};
  // A unit of a library the program does not carry (SuperBtn's code).
  TemplateWindow foreign;
  foreign.id = 0x52000003;
  foreign.units = {TestWindowUnit(0x06000003), TestUnit(0x16000005, 0x00020001)};
  TemplateWindow side;
  side.id = kSide;
  side.units = {TestWindowUnit(0x06000004)};
  TemplateWindow worker;
  worker.id = kWorker;
  worker.units = {TestWindowUnit(0x06000005), TestUnit(kWorkerUnit)};
  return {{main, broken, foreign, side, worker}};
}

uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// The worker's window, its progress, and the main thread's go-ahead.
struct WorkerRun {
  HANDLE loaded, written, go;
  HWND window;
};
WorkerRun g_run;

void PumpUntil(HANDLE event) {
  while (MsgWaitForMultipleObjects(1, &event, FALSE, 20000, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

// Loads a window through the window-loading service, serves the main
// thread's calls into it, then blocks in a plain wait and ends the program.
DWORD WINAPI LoadOnWorkerAndEnd(void*) {
  uint32_t request[3] = {kWorker, 0, 0};
  const int32_t result = HostService(2005, static_cast<int32_t>(Word(request)), 0);
  Wnd* window = reinterpret_cast<Wnd*>(static_cast<uintptr_t>(HostService(2006, static_cast<int32_t>(kWorker), 0)));
  g_run.window = window ? window->Handle() : nullptr;
  Trace("worker loaded " + std::to_string(result));
  SetEvent(g_run.loaded);
  PumpUntil(g_run.written);
  WaitForSingleObject(g_run.go, INFINITE);
  Trace("worker ends");
  HostService(2028, 0, 0);
  Trace("worker returned");
  return 0;
}

// Runs on the main thread after the registry (with the worker's objects) is
// gone; the worker answers the title request while it waits for the end.
void __cdecl AskTheWorkersWindow() {
  char title[32] = {};
  GetWindowTextA(g_run.window, title, sizeof title);
  Trace(std::string("end handler read ") + title);
}

void WorkerEndsTheProgram(RuntimeApp& app) {
  const FormSeam* forms = app.forms;
  app.RegisterEndHandler(Word(reinterpret_cast<void*>(&AskTheWorkersWindow)));
  app.LoadStartupWindow(kMain);
  uint32_t side[3] = {kSide, 0, 0};
  HostService(2005, static_cast<int32_t>(Word(side)), 0);
  g_run.loaded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_run.written = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_run.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(CreateThread(nullptr, 0, &LoadOnWorkerAndEnd, nullptr, 0, nullptr));
  PumpUntil(g_run.loaded);
  forms->writeUnitProperty(kWorker, 0, 0, -1, 40, 0);
  forms->writeUnitProperty(kWorker, kWorkerUnit, kPropNumber, -1, 77, 0);
  forms->writeUnitProperty(kSide, 0, 5, -1, 0, 0);
  Trace("main wrote " + std::to_string(forms->readUnitProperty(kWorker, 0, 0, -1)) + " " +
        std::to_string(forms->readUnitProperty(kWorker, kWorkerUnit, kPropNumber, -1)) + ", side visible " +
        std::to_string(forms->readUnitProperty(kSide, 0, 5, -1)));
  SetEvent(g_run.written);
  SetEvent(g_run.go);
  app.RunMessageLoop();
  Trace("loop returned");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* name = argv[1];
  std::vector<uint8_t> segment;
  WriteTemplate(Description(), &segment);
  TestProgram program;
  program.AddLibrary(TestLibrary());
  program.SetTemplate(segment.data(), static_cast<uint32_t>(segment.size()));
  RuntimeApp app(program.Image(), 0, FormRuntimeSeam());
  app.InitialiseRuntime();
  Trace("ready");
  const FormSeam* forms = app.forms;
  if (!std::strcmp(name, "unit-not-held")) {
    forms->readUnitProperty(kMain, 0x16000099, 0, -1);
  } else if (!std::strcmp(name, "own-property-unloaded")) {
    forms->readUnitProperty(kMain, kU2, kPropNumber, -1);
  } else if (!std::strcmp(name, "write-own-property-unloaded")) {
    forms->writeUnitProperty(kMain, kU2, kPropNumber, -1, 1, 0);
  } else if (!std::strcmp(name, "window-not-registered")) {
    forms->readUnitProperty(0x52000077, kU2, 0, -1);
  } else if (!std::strcmp(name, "startup-no-type")) {
    app.LoadStartupWindow(kBroken);
  } else if (!std::strcmp(name, "startup-unregistered-type")) {
    app.LoadStartupWindow(0x52000003);
  } else if (!std::strcmp(name, "silent-type-event")) {
    app.LoadStartupWindow(kMain);
    Trace("loaded");
    EventRecord record{kMain, kSilent, 0, 0, {}, 0, 0};
    HostService(2008, static_cast<int32_t>(reinterpret_cast<uintptr_t>(&record)), 0);
  } else if (!std::strcmp(name, "find-2007")) {
    HostService(2007, static_cast<int32_t>(kMain), static_cast<int32_t>(kU2));
  } else if (!std::strcmp(name, "worker-ends-program")) {
    WorkerEndsTheProgram(app);
  } else if (!std::strcmp(name, "event-unknown-unit")) {
    EventRecord record{kMain, 0x16000099, 0, 0, {}, 0, 0};
    HostService(2008, static_cast<int32_t>(reinterpret_cast<uintptr_t>(&record)), 0);
  }
  Trace("returned");
  return 3;
}
