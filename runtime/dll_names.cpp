#include "runtime/dll_names.h"

#include <cstdlib>

bool ParseOrdinalName(const char* name, uint16_t* ordinal) {
  if (!name || name[0] != '#') return false;
  *ordinal = static_cast<uint16_t>(std::atoi(name + 1) & 0xFFFF);
  return true;
}
