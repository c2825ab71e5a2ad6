// A DLL whose loading and releasing the tests can count. Exports by name
// and by ordinal (probe.def): 1 ProbeValue, 2 ProbeCdecl, 3 ProbeAdd.
#include <windows.h>

#include "tests/support/child_process.h"

extern "C" int __stdcall ProbeValue() { return 42; }
extern "C" int __stdcall ProbeAdd(int a, int b) { return a + b; }

// Leaves its argument on the stack: what a wrongly declared function does.
extern "C" int __cdecl ProbeCdecl(int value) { return value + 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) Trace("probe attach");
  if (reason == DLL_PROCESS_DETACH) Trace(reserved ? "probe detach exit" : "probe detach free");
  return TRUE;
}
