// The C++ header that tells compiled code where things lie in the program
// image that program_image_tool made.
#pragma once
#include <cstdint>
#include <string>

#include "tools/constants_segment.h"
#include "tools/program_description.h"

std::string GenerateLayoutHeader(const ProgramDescription& description, const ConstantsSegment& constants,
                                 uint32_t templateSize, const std::string& descriptionName);
