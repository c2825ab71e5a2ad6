// The application's window template segment, made from the description
// with the template writer and the unit property records.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/program_description.h"

bool BuildTemplateSegment(const ProgramDescription& description, std::vector<uint8_t>* segment,
                          std::string* error);

// Offset from codeBase of a handler named in the description.
bool HandlerOffset(const ProgramDescription& description, const std::string& symbol, int32_t* offset);
