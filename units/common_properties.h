// Property descriptors 0-7, which every unit type's table starts with
// (left, top, width, height, tag, visible, disable, mouse pointer).
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/program_image.h"

// Declared type in the low half, descriptor flags (0xE000) in the high half.
inline constexpr uint32_t kCommonPropertyTypes[8] = {
    0xE00003E9, 0xE00003E9, 0xE00003E9, 0xE00003E9,  // left, top, width, height: integer
    0xE00003ED,                                      // tag: text
    0xE00003EB, 0xE00003EB,                          // visible, disable: boolean
    0xE00003F3,                                      // mouse pointer data
};

// A descriptor without texts (the program image carries none) of a type word.
constexpr PropertyDescriptor DescribeProperty(uint32_t typeWord) {
  return PropertyDescriptor{0, 0, 0, typeWord, 0};
}

// A unit type's descriptor table: the eight common entries, then its own
// properties' type words in property order.
template <size_t N>
constexpr std::array<PropertyDescriptor, 8 + N> DescribeUnitProperties(
    const std::array<uint32_t, N>& ownTypes) {
  std::array<PropertyDescriptor, 8 + N> table{};
  for (size_t i = 0; i < 8; ++i) table[i] = DescribeProperty(kCommonPropertyTypes[i]);
  for (size_t i = 0; i < N; ++i) table[8 + i] = DescribeProperty(ownTypes[i]);
  return table;
}

// A pick-list property's value word as a choice 0..high.
inline int32_t ClampPick(uint32_t word, int32_t high) {
  return std::clamp(static_cast<int32_t>(word), 0, high);
}
