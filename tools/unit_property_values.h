// Turns the "set" statements of a unit in the description into the unit's
// PropertyBlock, through the same property records the runtime loads.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/program_description.h"
#include "units/super_button_properties.h"

// The system colours a SuperBtn is designed over (Windows' defaults); they
// become its stored colours unless the description sets them.
inline constexpr ButtonSystemColours kDesignButtonColours = {0x000000, 0xF0F0F0};

// Unit type code (library number << 16 | type number) of a type name:
// window, EditBox, Label, SuperBtn, TransLabel.
bool UnitTypeCodeOf(const std::string& type, uint32_t* code);

// The unit's block: its type's reset values with the settings applied,
// saved at the current version; empty for "properties empty". *error names
// the line of a bad setting.
bool BuildUnitPropertyBlock(const UnitSpec& unit, std::vector<uint8_t>* block, std::string* error);
