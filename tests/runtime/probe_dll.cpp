// A DLL whose loading and releasing the tests can count.
#include <windows.h>

#include "tests/support/child_process.h"

extern "C" __declspec(dllexport) int __stdcall ProbeValue() { return 42; }

// Leaves its argument on the stack: what a wrongly declared function does.
extern "C" __declspec(dllexport) int __cdecl ProbeCdecl(int value) { return value + 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) Trace("probe attach");
  if (reason == DLL_PROCESS_DETACH) Trace(reserved ? "probe detach exit" : "probe detach free");
  return TRUE;
}
