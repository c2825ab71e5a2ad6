#include "runtime/memory.h"

#include <cstdio>
#include <cstring>

#include "runtime/error_reporter.h"
#include "runtime/runtime_app.h"

static HANDLE Heap() {
  HANDLE heap = RuntimeApp::Exists() ? RuntimeApp::Get().heap : nullptr;
  return heap ? heap : GetProcessHeap();
}

bool IsConstant(const void* address) {
  if (!RuntimeApp::Exists()) return false;
  const RuntimeApp& app = RuntimeApp::Get();
  const auto a = reinterpret_cast<uintptr_t>(address);
  return a >= app.constantsStart && a < app.constantsEnd;
}

[[noreturn]] static void AllocationFailed(uint32_t size) {
  char message[100];
  std::snprintf(message, sizeof message, "分配 %d 字节内存失败!", static_cast<int32_t>(size));
  ReportError(message, 0, 0, 0);
}

void* AllocateRaw(uint32_t size) { return HeapAlloc(Heap(), 0, size); }

void* AllocateMemory(uint32_t size) {
  void* block = AllocateRaw(size);
  if (!block) AllocationFailed(size);
  return block;
}

void* ResizeMemory(void* block, uint32_t size) {
  if (!block) return AllocateMemory(size);
  if (IsConstant(block)) {
    // Constants are never changed in place; copy what lies before the end.
    const uintptr_t room = RuntimeApp::Get().constantsEnd - reinterpret_cast<uintptr_t>(block);
    void* copy = AllocateMemory(size);
    std::memcpy(copy, block, size < room ? size : room);
    return copy;
  }
  void* resized = HeapReAlloc(Heap(), 0, block, size);
  if (!resized) AllocationFailed(size);
  return resized;
}

void FreeMemory(void* block) {
  if (!block || IsConstant(block)) return;
  HeapFree(Heap(), 0, block);
}
