// Shared by the template tests and the template fuzzer: the application's
// template as the build tool makes it, and a walk over a loaded registry
// that touches every record through the public accessors.
#pragma once
#include "forms/template_writer.h"

#include <cstdint>
#include <memory>
#include <vector>

// The two windows of the upgrader: 0x52010001 with 8 units and 0x5201000c
// with 2, property blocks laid out field by field.
TemplateDescription WorkedExampleTemplate();
constexpr uint32_t kWorkedExampleSize = 2217;
constexpr int32_t kStartupHandler = 0x44A;
constexpr int32_t kUpgradeHandler = 0x72E;
constexpr int32_t kBrowseHandler = 0;

// The unit property blocks of the example.
std::vector<uint8_t> WindowPropertyBlock(int32_t borderStyle);
std::vector<uint8_t> TransLabelPropertyBlock(const std::string& caption, uint32_t textColor, bool bigFont);
std::vector<uint8_t> SuperBtnPropertyBlock(const std::string& caption);
std::vector<uint8_t> LabelPropertyBlock(const std::string& caption, uint32_t backColor);

// An exactly sized heap copy, so that AddressSanitizer sees any overread.
std::unique_ptr<uint8_t[]> HeapCopy(const uint8_t* data, size_t size);

// Reads every field of every record, looks every id up, and edits a copy of
// each table (snapshot, tag replacement, restore). False when an accessor
// gives a layout that does not fit its record.
bool ExerciseRegistry(WindowTemplate* registry);
