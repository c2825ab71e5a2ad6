// Waiting inside a command on a thread that may own windows: they stay
// painted and answer messages sent to them, while input and posted
// messages stay queued, so no event handler runs inside the command.
#pragma once
#include <windows.h>

bool ThreadHasWindows();
// Dispatches the paint messages waiting now; sent messages are delivered
// inside the peek itself.
void ServePaintAndSent();
// Waits for one of handles or the time-out, serving the thread's windows
// meanwhile when serve is set: WAIT_OBJECT_0 + i, WAIT_TIMEOUT or
// WAIT_FAILED, as WaitForMultipleObjects gives them.
DWORD WaitServingWindows(DWORD count, const HANDLE* handles, DWORD timeoutMs, bool serve);
