// How a declared DLL function name is looked up. Pure code.
#pragma once
#include <cstdint>

// "#digits" names an export by ordinal: atoi of the digits, low 16 bits.
// Returns false for a plain name.
bool ParseOrdinalName(const char* name, uint16_t* ordinal);
