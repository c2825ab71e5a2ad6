// Addresses as the 32-bit words that compiled code, the program image and
// the services pass around, and back. Pure header.
#pragma once
#include <cstdint>

inline uint32_t AddressWord(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

template <typename T>
T* AtAddress(uint32_t address) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}
template <typename T>
T* AtAddress(int32_t address) {
  return AtAddress<T>(static_cast<uint32_t>(address));
}
