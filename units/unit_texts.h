// What unit types share about their texts and fonts: the text visiting of
// entry kind 9 and the font a 60-byte font property makes.
#pragma once
#include <windows.h>

#include <cstdint>

#include "forms/property_block.h"
#include "forms/unit_contract.h"

// The visitor sees a writable copy of the text; a heap text it returns
// replaces the text.
void VisitUnitText(PropertyBytes* text, UnitTextVisitor visitor, uint32_t user);
// Only a 60-byte font has a face name to visit; it is rewritten in place.
void VisitFaceName(PropertyBytes* font, UnitTextVisitor visitor, uint32_t user);

// Entry kind 9 for a unit whose PropertyBlock loads into a Properties
// record: load(&props, block, size), visit(props) on its texts, then the
// block saved anew by save(props). Null and *length 0 when there is no
// visitor or the block does not load.
template <typename Properties, typename Load, typename Visit, typename Save>
void* VisitBlockTexts(const uint8_t* block, uint32_t* length, UnitTextVisitor visitor, Load load,
                      Visit visit, Save save) {
  if (!length) return nullptr;
  const uint32_t size = *length;
  *length = 0;
  Properties props;
  if (!visitor || !load(&props, block, size)) return nullptr;
  visit(props);
  PropertyBytes result = save(props);
  *length = result.size();
  return result.Release();
}

// The font of a 60-byte LOGFONTA with the charset, precisions, quality and
// pitch put to the unit defaults (the face name always ends within its
// field); null for any other length or a failure (the caller then takes
// DEFAULT_GUI_FONT).
HFONT CreateUnitFont(const PropertyBytes& font);
