// Unit properties by index: 0-7 the common ones, from 8 on the unit type's
// own (its entries see index - 8). Values travel as the compiled code's two
// value words; texts, byte-sets and font records that reads return belong to
// the caller.
#pragma once
#include <cstdint>

#include "forms/window_template.h"

// Services 4 and 5. Errors go to the error reporter.
uint64_t ReadUnitProperty(WindowId windowId, UnitId unitId, int32_t index, int32_t member);
void WriteUnitProperty(WindowId windowId, UnitId unitId, int32_t index, int32_t member,
                       uint32_t low, uint32_t high);
// Utility codes 4 and 5: an object of a library data type given directly;
// the index reaches the type's entries unchanged and nothing is re-created.
uint64_t ReadTypedUnitProperty(uint32_t typeCode, uint32_t object, int32_t index, int32_t member);
void WriteTypedUnitProperty(uint32_t typeCode, uint32_t object, int32_t index, int32_t member,
                            uint32_t low, uint32_t high);
// Builds a new window for a loaded unit from its saved properties; true
// when the new unit took the old one's place.
bool RecreateUnit(WindowId windowId, UnitId unitId);
