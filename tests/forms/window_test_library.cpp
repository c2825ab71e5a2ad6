#include "tests/forms/window_test_library.h"

#include <cstring>

#include "forms/unit_contract.h"
#include "forms/window_unit.h"
#include "tests/forms/test_units.h"

namespace {

UnitTypeEntry g_testUnitEntry = nullptr;

int32_t __stdcall ReportsDefault(Wnd* unit) {
  const TestUnitState* state = StateOf(unit);
  return state && state->settings.number == 1 ? 1 : 0;
}

void* __stdcall DefaultButtonEntry(int32_t kind) {
  if (kind == kEntryIsDefaultButton) return reinterpret_cast<void*>(&ReportsDefault);
  return g_testUnitEntry ? g_testUnitEntry(kind) : nullptr;
}

struct Library {
  LibraryInfo info{};
  std::vector<DataTypeRecord> types;

  Library() {
    const LibraryInfo* base = TestLibrary();
    info = *base;
    const auto* baseTypes = reinterpret_cast<const DataTypeRecord*>(static_cast<uintptr_t>(base->dataTypes));
    types.assign(baseTypes, baseTypes + base->dataTypeCount);
    types[(kWindowUnitType & 0xFFFF) - 1] = WindowDataType();
    const DataTypeRecord& unit = types[1];  // kTestUnitType
    g_testUnitEntry = reinterpret_cast<UnitTypeEntry>(static_cast<uintptr_t>(unit.entryLookup));
    DataTypeRecord& button = types[(kDefaultButtonType & 0xFFFF) - 1];
    button = unit;
    button.flags = unit.flags | kTypeDefaultCapable;
    button.entryLookup = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&DefaultButtonEntry));
    types[(kLabelLikeType & 0xFFFF) - 1] = unit;
    types[(kLabelLikeType & 0xFFFF) - 1].flags = unit.flags | kTypeLabelLike;
    types[(kBarType & 0xFFFF) - 1] = unit;
    types[(kBarType & 0xFFFF) - 1].flags = unit.flags | kTypeBar;
    info.dataTypes = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(types.data()));
  }
};

}  // namespace

const LibraryInfo* WindowTestLibrary() {
  static Library library;
  return &library.info;
}

std::vector<uint8_t> WindowBlock(const WindowProperties& properties) {
  const PropertyBytes block = SaveWindowProperties(properties);
  return std::vector<uint8_t>(block.data(), block.data() + block.size());
}
