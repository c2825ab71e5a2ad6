// What every unit type's text visiting (entry kind 9) shares.
#pragma once
#include <cstdint>

#include "forms/property_block.h"
#include "forms/unit_contract.h"

// The visitor sees a writable copy of the text; a heap text it returns
// replaces the text.
void VisitUnitText(PropertyBytes* text, UnitTextVisitor visitor, uint32_t user);
// Only a 60-byte font has a face name to visit; it is rewritten in place.
void VisitFaceName(PropertyBytes* font, UnitTextVisitor visitor, uint32_t user);
