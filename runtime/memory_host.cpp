// Native build's heap: malloc, with a failure switch so tests can exhaust it.
#include "runtime/memory.h"
#include "runtime/memory_host.h"

#include <cstdio>
#include <cstdlib>

static int64_t g_allocationsLeft = -1;  // -1: unlimited

void SetHostAllocationBudget(int64_t allocations) { g_allocationsLeft = allocations; }

static bool TakeAllocation() {
  if (g_allocationsLeft < 0) return true;
  if (g_allocationsLeft == 0) return false;
  --g_allocationsLeft;
  return true;
}

void* AllocateRaw(uint32_t size) {
  if (!TakeAllocation()) return nullptr;
  return std::malloc(size ? size : 1);
}

void* AllocateMemory(uint32_t size) {
  void* p = AllocateRaw(size);
  if (!p) {
    std::fprintf(stderr, "allocation of %u bytes failed\n", size);
    std::abort();
  }
  return p;
}

void* ResizeMemory(void* block, uint32_t size) {
  if (!TakeAllocation()) std::abort();
  void* p = std::realloc(block, size ? size : 1);
  if (!p) std::abort();
  return p;
}

void FreeMemory(void* block) { std::free(block); }

bool IsConstant(const void*) { return false; }
