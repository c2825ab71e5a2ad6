// Running a subroutine of the program on a new thread.
#include <windows.h>

#include "commands/threading_library.h"

namespace {

struct ThreadLock {
  ThreadLock* next;
  CRITICAL_SECTION section;
};
// Filled by synchronisation commands; this program has none of them.
ThreadLock* g_threadLocks = nullptr;

}  // namespace

void ReleaseThreadLocks() {
  ThreadLock* lock = g_threadLocks;
  g_threadLocks = nullptr;
  while (lock) {
    ThreadLock* next = lock->next;
    DeleteCriticalSection(&lock->section);
    delete lock;
    lock = next;
  }
}

// Arguments: subroutine pointer, parameter (optional), integer variable by
// reference for the handle (optional).
void __cdecl StartThread(TypedValue* result, int32_t count, const TypedValue* args) {
  const auto entry = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<uintptr_t>(WordAt(count, args, 0)));
  const TypedValue* parameter = GivenArgument(count, args, 1);
  const TypedValue* handleVariable = GivenArgument(count, args, 2);
  DWORD threadId = 0;
  // No entry to run: as if the thread could not be made.
  HANDLE thread = !entry ? nullptr : CreateThread(nullptr, 0, entry,
                               reinterpret_cast<void*>(static_cast<uintptr_t>(parameter ? parameter->low : 0)),
                               0, &threadId);
  SetWord(result, thread ? 1 : 0);
  if (handleVariable) {
    // The caller owns the handle from here on.
    *AddressOf<uint32_t>(handleVariable->low) = WordOf(thread);
  } else if (thread) {
    CloseHandle(thread);
  }
}
