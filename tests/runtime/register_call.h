// Calls a routine with chosen registers and records what it left behind.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

constexpr uint32_t kSentinelEsi = 0x51515151, kSentinelEdi = 0xD1D1D1D1, kSentinelEbp = 0xB0B0B0B0;
constexpr uint32_t kSentinelEcx = 0xC0C0C0C0, kSentinelEdx = 0xE0E0E0E0;

struct RegisterCall {
  uint32_t target;
  uint32_t eax;
  uint32_t ebx;
  uint32_t count;
  uint32_t args[7];
  // Results.
  uint32_t outEax, outEdx, outEcx, outEbx, outEsi, outEdi, outEbp;
  int32_t espMoved;  // bytes the callee removed from the stack
};
static_assert(offsetof(RegisterCall, outEax) == 44);
static_assert(offsetof(RegisterCall, espMoved) == 72);

extern "C" void CallWithRegisters(RegisterCall* call);
// Trashes EBX, ESI, EDI, ECX and EDX; returns 0x600D.
extern "C" void ClobberRegisters();

inline RegisterCall MakeCall(uint32_t target, uint32_t eax, uint32_t ebx,
                             std::initializer_list<uint32_t> args) {
  RegisterCall call{};
  call.target = target;
  call.eax = eax;
  call.ebx = ebx;
  for (uint32_t word : args) call.args[call.count++] = word;
  return call;
}
