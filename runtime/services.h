// The runtime service table that compiled code calls through, by number.
#pragma once
#include <cstdint>

enum ServiceIndex : int {
  kServiceReportRuntimeError = 0,
  kServiceCallDllCommand = 1,
  kServiceCallLibraryCommand = 2,
  kServiceCallCoreCommand = 3,
  kServiceReadUnitProperty = 4,
  kServiceWriteUnitProperty = 5,
  kServiceAllocateMemory = 6,
  kServiceResizeMemory = 7,
  kServiceFreeMemory = 8,
  kServiceEndProgram = 9,
  kServiceRunMessageLoop = 10,
  kServiceLoadStartupWindow = 11,
  kServiceCallUtilityService = 12,
  kServiceCount = 13,
};

enum UtilityCode : int {
  kUtilityFindFileNext = 0,
  kUtilityCloseFind = 1,
  kUtilityMakeArrayWritable = 2,
  kUtilityRegisterEndHandler = 3,
  kUtilityReadTypedUnitProperty = 4,
  kUtilityWriteTypedUnitProperty = 5,
  kUtilityInitialiseRuntime = 6,
  kUtilityCount = 7,
};

using ServiceEntry = void (*)();

extern "C" {
// Indexed by ServiceIndex / UtilityCode.
extern const ServiceEntry g_runtimeServices[kServiceCount];
extern const ServiceEntry g_utilityServices[kUtilityCount];
// The stub compiled code calls for each service, by ServiceIndex.
extern const ServiceEntry g_serviceStubs[kServiceCount];
// Not part of the table: what a call into an external package lands on.
[[noreturn]] void __cdecl NotSupportedEntry();

// Calls compiled code with every general register but EAX, its result,
// saved around the call.
uint32_t CallSaved(uint32_t address, uint32_t count, const uint32_t* words);

// Dispatchers with register contracts (service_stubs.S).
void CallDllCommandEntry();
void CallLibraryCommandEntry();
void CallCoreCommandEntry();
void CallUtilityServiceEntry();
// Service 1's resolver: never returns 0.
uint32_t __cdecl ResolveDllCommand(int32_t index);
}

inline uint32_t CallSaved0(uint32_t address) {
  return CallSaved(address, 0, nullptr);
}
inline uint32_t CallSaved1(uint32_t address, uint32_t argument) {
  return CallSaved(address, 1, &argument);
}
