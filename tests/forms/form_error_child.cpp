// Child program of the error tests: runs one case that must end in the
// runtime error reporter (a message box, then exit code -1).
//   form_error_child <case>   (progress lines go to the test trace)
#include <windows.h>

#include <cstdio>
#include <cstring>
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
  return {{main, broken, foreign}};
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
  } else if (!std::strcmp(name, "event-unknown-unit")) {
    EventRecord record{kMain, 0x16000099, 0, 0, {}, 0, 0};
    HostService(2008, static_cast<int32_t>(reinterpret_cast<uintptr_t>(&record)), 0);
  }
  Trace("returned");
  return 3;
}
