// Lays out the application's constants segment: the description's
// constants in their order (texts NUL-terminated, files as byte-set
// constants: 1, length, bytes), then the names of the DLL commands, each
// name shared with an equal text already in the segment.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/program_description.h"

struct ConstantsSegment {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> constantOffsets;      // one per description constant
  std::vector<uint32_t> libraryNameOffsets;   // one per DLL command
  std::vector<uint32_t> functionNameOffsets;  // one per DLL command
};

// Reads file constants below `root`, checking each one's size and SHA-256
// against the description. *inputs receives the files read.
bool BuildConstantsSegment(const ProgramDescription& description, const std::string& root,
                           ConstantsSegment* out, std::vector<std::string>* inputs, std::string* error);

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
