#include "app/compiled_code.h"

#include <cstring>

#include "app/program_image.h"

namespace app {

TypedValue CallCommand(int library, int number, std::initializer_list<TypedValue> args) {
  const auto* table = reinterpret_cast<const uint32_t*>(g_programImage.libraryTable);
  const auto* info = reinterpret_cast<const LibraryInfo*>(table[library]);
  // The entries are packed right after the library's name, unaligned.
  uint32_t entry = 0;
  std::memcpy(&entry, reinterpret_cast<const uint8_t*>(info->commands) + 4 * number, sizeof entry);
  return CommandCall(library == kCoreLibrary, reinterpret_cast<LibraryCommandFn>(entry), args);
}

void FreeText(char* text) { ServiceFreeMemory(text); }

char* ReadTextProperty(uint32_t windowId, uint32_t unitId, int32_t index) {
  return reinterpret_cast<char*>(static_cast<uint32_t>(ServiceReadUnitProperty(windowId, unitId, index, -1)));
}

bool ReadBoolProperty(uint32_t windowId, uint32_t unitId, int32_t index) {
  return static_cast<uint32_t>(ServiceReadUnitProperty(windowId, unitId, index, -1)) != 0;
}

void WriteTextProperty(uint32_t windowId, uint32_t unitId, int32_t index, const char* text) {
  ServiceWriteUnitProperty(windowId, unitId, index, -1, Address(OrEmpty(text)), 0);
}

void WriteBoolProperty(uint32_t windowId, uint32_t unitId, int32_t index, bool value) {
  ServiceWriteUnitProperty(windowId, unitId, index, -1, value ? 1 : 0, 0);
}

}  // namespace app
