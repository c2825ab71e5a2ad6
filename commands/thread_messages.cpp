#include "commands/thread_messages.h"

namespace {

BOOL CALLBACK StopAtFirstWindow(HWND, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

}  // namespace

bool ThreadHasWindows() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), &StopAtFirstWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

void ServePaintAndSent() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageA(&msg);
}

DWORD WaitServingWindows(DWORD count, const HANDLE* handles, DWORD timeoutMs, bool serve) {
  if (!serve) return WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
  const DWORD start = GetTickCount();
  for (;;) {
    ServePaintAndSent();
    DWORD left = INFINITE;
    if (timeoutMs != INFINITE) {
      const DWORD spent = GetTickCount() - start;
      left = spent >= timeoutMs ? 0 : timeoutMs - spent;
    }
    const DWORD woken = MsgWaitForMultipleObjects(count, handles, FALSE, left, QS_PAINT | QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + count) return woken;
    // A message woke us: serve it and wait on.
  }
}
