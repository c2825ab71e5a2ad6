#include "runtime/program_image.h"

const DataTypeRecord* FindDataTypeRecordIn(const LibraryInfo* const* libraries,
                                           uint32_t libraryCount, uint32_t code) {
  if (ClassifyTypeCode(code) != TypeClass::Library || !libraries) return nullptr;
  const int32_t library = LibraryIndexOf(code);
  if (library < 0 || static_cast<uint32_t>(library) >= libraryCount) return nullptr;
  const LibraryInfo* info = libraries[library];
  if (!info) return nullptr;
  const int32_t type = TypeIndexOf(code);
  if (type < 0 || static_cast<uint32_t>(type) >= info->dataTypeCount) return nullptr;
  const auto* records = reinterpret_cast<const DataTypeRecord*>(static_cast<uintptr_t>(info->dataTypes));
  return records ? &records[type] : nullptr;
}
