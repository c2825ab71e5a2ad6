// What every library of commands shares: its own copy of the runtime's
// HostService entry, reading arguments, and the rule by which a command
// hands a text back.
#pragma once
#include <cstdint>

#include "runtime/library_record.h"
#include "runtime/typed_value.h"

using HostServiceEntry = int32_t(__stdcall*)(int32_t code, int32_t argument1, int32_t argument2);

// Notification codes the runtime sends to a library.
enum : int32_t { kNotifyHostService = 1, kNotifyEndOfProgram = 6 };

// HostService codes the commands use.
enum : int32_t {
  kHostLoadWindow = 2005,
  kHostFindUnitObject = 2006,
  kHostRunDirectory = 2003,
  kHostAllocate = 2024,
  kHostWindowCount = 2032,
  kHostWindowHandle = 2033,
};

// One per library: the entry it was handed with notification 1. Until then
// every call answers 0.
class LibraryHost {
 public:
  void Set(HostServiceEntry entry) { entry_ = entry; }
  int32_t Call(int32_t code, int32_t argument1 = 0, int32_t argument2 = 0) const {
    return entry_ ? entry_(code, argument1, argument2) : 0;
  }

 private:
  HostServiceEntry volatile entry_ = nullptr;
};

// A new heap block (HostService 2024, the reporting allocation) holding a
// copy of text, as a result word; an absent or empty text gives 0.
uint32_t TextResult(const LibraryHost& host, const char* text);

// Argument i (0-based) when the caller passed it, else null.
inline const TypedValue* ArgumentAt(int32_t count, const TypedValue* args, int32_t i) {
  return i < count ? &args[i] : nullptr;
}
// Given: passed and not omitted (an omitted argument has tag 0).
inline const TypedValue* GivenArgument(int32_t count, const TypedValue* args, int32_t i) {
  const TypedValue* value = ArgumentAt(count, args, i);
  return value && value->tag != kTagNone ? value : nullptr;
}
inline uint32_t WordAt(int32_t count, const TypedValue* args, int32_t i) {
  const TypedValue* value = ArgumentAt(count, args, i);
  return value ? value->low : 0;
}

template <typename T>
T* AddressOf(uint32_t word) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(word));
}
template <typename T>
uint32_t WordOf(T* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}
