// Child program of the window tests: the startup window is closed once the
// loop runs; the process must end through the loop with exit code 0.
//   window_unit_child last            only the startup window is loaded
//   window_unit_child hidden-second   a hidden second window is loaded too
//   window_unit_child refuse          the startup window refuses the close
#include <windows.h>

#include <cstring>
#include <vector>

#include "forms/form_runtime.h"
#include "forms/template_writer.h"
#include "forms/window_unit.h"
#include "runtime/host_service.h"
#include "runtime/runtime_app.h"
#include "tests/forms/window_test_library.h"
#include "tests/runtime/test_program.h"
#include "tests/support/child_process.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kSecond = 0x52000002;
HWND g_second = nullptr;
HWND g_main = nullptr;

void __cdecl RefuseClose(EventResult* result) { *result = {1, 0, 0}; }

TemplateUnit OwnUnit(uint32_t unitId, uint32_t flags) {
  TemplateUnit u;
  u.id = unitId;
  u.typeCode = kWindowUnitType;
  u.width = 200;
  u.height = 100;
  u.flags = flags;
  u.propertyBlock = WindowBlock(WindowProperties{});
  return u;
}

void CALLBACK DestroyMain(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  Trace(IsWindow(g_main) ? "still open" : "closed");
  DestroyWindow(g_main);
}

void CALLBACK CloseSecond(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  Trace("still running");
  DestroyWindow(g_second);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const bool hidden = !std::strcmp(argv[1], "hidden-second");
  const bool refuse = !std::strcmp(argv[1], "refuse");
  TemplateWindow main, second;
  main.id = kMain;
  main.units = {OwnUnit(0x06000001, kUnitVisible)};
  if (refuse) main.units[0].bindings = {{12, int32_t(reinterpret_cast<uintptr_t>(&RefuseClose))}};
  second.id = kSecond;
  second.units = {OwnUnit(0x06000002, 0)};
  std::vector<uint8_t> segment;
  if (!WriteTemplate({{main, second}}, &segment)) return 3;
  TestProgram program;
  program.AddLibrary(WindowTestLibrary());
  program.SetTemplate(segment.data(), static_cast<uint32_t>(segment.size()));
  RuntimeApp app(program.Image(), 0, FormRuntimeSeam());
  app.InitialiseRuntime();
  app.LoadStartupWindow(kMain);
  if (hidden) {
    uint32_t request[3] = {kSecond, 0, 0};
    if (HostService(2005, static_cast<int32_t>(reinterpret_cast<uintptr_t>(request)), 0) != 0) return 4;
    g_second = FindUnitObject(kSecond, 0)->Handle();
    if (IsWindowVisible(g_second)) return 5;
    SetTimer(nullptr, 0, 300, &CloseSecond);
  }
  Trace("loaded");
  g_main = FindUnitObject(kMain, 0)->Handle();
  PostMessageA(g_main, WM_CLOSE, 0, 0);
  if (refuse) SetTimer(nullptr, 0, 300, &DestroyMain);
  app.RunMessageLoop();
  Trace("loop ended");
  return app.ExitInstance();
}
