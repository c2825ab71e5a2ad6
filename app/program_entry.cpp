// The program entry: start the runtime, take the command line, show the
// start-up window, run.
#include "app/start_options.h"
#include "app/subroutines.h"
#include "program_image_layout.h"
#include "runtime/compiled_calls.h"
#include "runtime/services.h"

namespace {
void __cdecl EmptySubroutine() {}
void __cdecl EndSubroutine() {}
}  // namespace

extern "C" int __cdecl ProgramEntry() {
  UtilityCall(kUtilityInitialiseRuntime, {});
  asm volatile("fninit");
  EmptySubroutine();
  UtilityCall(kUtilityRegisterEndHandler, {reinterpret_cast<uint32_t>(&EndSubroutine)});
  // The usage and a silent upgrade end here, before any window.
  app::TakeCommandLine();
  ServiceLoadStartupWindow(program_image::kMainWindow);
  ServiceRunMessageLoop();
  return 0;
}
