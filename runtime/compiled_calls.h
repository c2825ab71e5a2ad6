// The calls that compiled code makes through the service stubs, for C++
// that stands in for compiled code (the application's subroutines, tests).
#pragma once
#include <cstdint>
#include <initializer_list>

#include "runtime/library_record.h"
#include "runtime/typed_value.h"

extern "C" {
uint64_t CompiledUtilityCall(int32_t code, uint32_t count, const uint32_t* words);
void CompiledCommandCall(int32_t service, uint32_t entry, uint32_t count, const TypedValue* args,
                         TypedValue* result);
uint32_t CompiledDllCall(int32_t index, uint32_t count, const uint32_t* words, int32_t* stackLeft);

// Plain C-convention services, called through their stubs.
[[noreturn]] void ServiceReportRuntimeError(int32_t code, uint32_t position, uint32_t line);
uint64_t ServiceReadUnitProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t member);
void ServiceWriteUnitProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t member,
                              uint32_t low, uint32_t high);
void* ServiceAllocateMemory(uint32_t size);
void* ServiceResizeMemory(void* block, uint32_t size);
void ServiceFreeMemory(void* block);
[[noreturn]] void ServiceEndProgram(int32_t code);
void ServiceRunMessageLoop();
void ServiceLoadStartupWindow(uint32_t windowId);
}

inline uint32_t UtilityCall(int32_t code, std::initializer_list<uint32_t> words) {
  return static_cast<uint32_t>(CompiledUtilityCall(code, static_cast<uint32_t>(words.size()), words.begin()));
}

using LibraryCommandFn = LibraryCommand;

// Service 3 for core-library commands, service 2 for the others.
inline TypedValue CommandCall(bool core, LibraryCommandFn entry, std::initializer_list<TypedValue> args) {
  TypedValue result{};
  CompiledCommandCall(core ? 3 : 2, reinterpret_cast<uint32_t>(entry), static_cast<uint32_t>(args.size()),
                      args.begin(), &result);
  return result;
}

// Service 1, then the stack check; position and line go into error code 6.
inline uint32_t DllCall(int32_t index, std::initializer_list<uint32_t> words, uint32_t position,
                        uint32_t line) {
  int32_t stackLeft = 0;
  const uint32_t result = CompiledDllCall(index, static_cast<uint32_t>(words.size()), words.begin(), &stackLeft);
  if (stackLeft != 0) ServiceReportRuntimeError(6, position, line);
  return result;
}
