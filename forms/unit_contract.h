// The contract between the form runtime and every unit type: the entry
// function and its kinds, the records exchanged with it, the data type flag
// bits the runtime tests, and the private notices.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "forms/property_block.h"
#include "framework/wnd.h"
#include "runtime/address_word.h"
#include "runtime/program_image.h"
#include "runtime/typed_value.h"
#include "runtime/values.h"

// What a unit type's entry function answers, by kind number.
enum UnitEntryKind : int32_t {
  kEntryCreateUnit = 1,
  kEntryPropertyApplicable = 2,  // designer only
  kEntryPropertyWritten = 4,
  kEntrySaveProperties = 5,
  kEntryReadProperty = 6,
  kEntryWantsKey = 8,
  kEntryVisitTexts = 9,
  kEntryIsDefaultButton = 10,
  kEntryPreTranslate = 11,
};

// The value of a unit-specific property as the unit sees it.
struct PropertyValue {
  uint32_t word0;
  uint32_t word1;
};
static_assert(sizeof(PropertyValue) == 8);

// Registers a class of Wnd windows (redrawn whole on resizing, with double
// clicks) that never erase their background: they paint all of it, or
// nothing. True when the class is there.
inline bool RegisterUnitWindowClass(const char* name) {
  WNDCLASSA wc{};
  if (GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) return true;
  wc = WNDCLASSA{};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = &Wnd::ClassProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = Wnd::ArrowCursor();
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// After an event was raised: whether `unit` still owns the window `hwnd`.
// A handler may have destroyed the window, and the object with it; then
// nothing of the object may be touched any more.
inline bool StillBound(const Wnd* unit, HWND hwnd) {
  return ::IsWindow(hwnd) && Wnd::FromHandlePermanent(hwnd) == unit;
}

// DataTypeRecord.entryLookup: the operation of a kind, or null.
using UnitTypeEntry = void*(__stdcall*)(int32_t kind);

using PropertyApplicableFn = int32_t(__stdcall*)(Wnd* unit, int32_t index);  // 0: not now
using CreateUnitFn = Wnd*(__stdcall*)(const uint8_t* block, uint32_t length, uint32_t style,
                                      HWND parent, uint32_t controlId, HMENU menu, int32_t left,
                                      int32_t top, int32_t width, int32_t height, uint32_t windowId,
                                      uint32_t unitId, uint32_t childMode, uint32_t reserved);
// index: the property index - 8. Returns 1 when the unit must be re-created.
using PropertyWrittenFn = int32_t(__stdcall*)(Wnd* unit, int32_t index, const PropertyValue* value,
                                              uint32_t reserved);
// A new heap byte-set (1, length, bytes) holding the unit's PropertyBlock.
using SavePropertiesFn = void*(__stdcall*)(Wnd* unit);
using ReadPropertyFn = int32_t(__stdcall*)(Wnd* unit, int32_t index, PropertyValue* value);
using WantsKeyFn = int32_t(__stdcall*)(Wnd* unit, uint32_t keyWithModifiers);
// Kind 9: calls visitor(text, faceNameFlag, user) on each text of a block;
// a font's face name (flag 1) may be rewritten in place in its 32-byte
// field, and a visitor that returns a new heap text replaces any other text
// (the unit frees it). *length: in the block's, out the new block's.
using UnitTextVisitor = char*(__stdcall*)(char* text, int32_t faceNameFlag, uint32_t user);
using VisitTextsFn = void*(__stdcall*)(const uint8_t* block, uint32_t* length, UnitTextVisitor visitor,
                                       uint32_t user);
using IsDefaultButtonFn = int32_t(__stdcall*)(Wnd* unit);
using UnitPreTranslateFn = int32_t(__stdcall*)(Wnd* unit, MSG* message);

// The operations a unit type's entry lookup answers, by kind; null for a
// kind the type does not answer.
struct UnitEntries {
  CreateUnitFn create = nullptr;
  PropertyApplicableFn applicable = nullptr;
  PropertyWrittenFn written = nullptr;
  SavePropertiesFn save = nullptr;
  ReadPropertyFn read = nullptr;
  WantsKeyFn wantsKey = nullptr;
  VisitTextsFn visitTexts = nullptr;
  IsDefaultButtonFn isDefaultButton = nullptr;
  UnitPreTranslateFn preTranslate = nullptr;
};

// What a UnitTypeEntry answers for `kind` from its entries.
inline void* UnitEntryOf(const UnitEntries& entries, int32_t kind) {
  auto answer = [](auto fn) { return reinterpret_cast<void*>(fn); };
  switch (kind) {
    case kEntryCreateUnit: return answer(entries.create);
    case kEntryPropertyApplicable: return answer(entries.applicable);
    case kEntryPropertyWritten: return answer(entries.written);
    case kEntrySaveProperties: return answer(entries.save);
    case kEntryReadProperty: return answer(entries.read);
    case kEntryWantsKey: return answer(entries.wantsKey);
    case kEntryVisitTexts: return answer(entries.visitTexts);
    case kEntryIsDefaultButton: return answer(entries.isDefaultButton);
    case kEntryPreTranslate: return answer(entries.preTranslate);
    default: return nullptr;
  }
}

// A unit type's record for its library's table; the texts and the
// descriptors must live as long as the program.
inline DataTypeRecord MakeUnitDataType(const char* name, const char* englishName, uint32_t flags,
                                       uint32_t propertyCount, const PropertyDescriptor* properties,
                                       UnitTypeEntry entryLookup) {
  DataTypeRecord record{};
  record.name = AddressWord(name);
  record.englishName = AddressWord(englishName);
  record.flags = flags;
  record.propertyCount = propertyCount;
  record.properties = AddressWord(properties);
  record.entryLookup = AddressWord(reinterpret_cast<const void*>(entryLookup));
  return record;
}

// What entry kind 5 answers for a saved PropertyBlock: a new heap byte-set,
// null when the block could not be made.
inline void* SavedBlockByteSet(const PropertyBytes& block) {
  return block.empty() ? nullptr : MakeByteSet(block.data(), block.size());
}

// DataTypeRecord flag bits the form runtime tests.
enum : uint32_t {
  kTypeRaisesEvents = 0x4,
  kTypeNoRecreate = 0x10,
  kTypeHasPreTranslate = 0x20,
  kTypeRaisesEventsToo = 0x40,
  kTypeEventMask = kTypeRaisesEvents | kTypeRaisesEventsToo,
  kTypeMovesChildren = 0x80,
  kTypePagedContainer = 0x100,
  kTypeRadioLike = 0x400,
  kTypeDefaultCapable = 0x800,
  kTypeCheckLike = 0x1000,
  kTypeLabelLike = 0x2000,
  kTypeMnemonicMask = 0x7C00,
  kTypeNotVisible = 0x8000,
  kTypeNeverFocused = 0x10000,
  kTypeBar = 0x100000,
  kTypeDragsWindow = 0x4000000,
};

// Private notices the loader sends (wParam, lParam 0).
enum : UINT {
  kUnitsReadyNotice = 0x8004,
  kUnitCreatedNotice = 0x806F,
  kWindowShownNotice = 0x8076,
};

// HostService 2008.
struct EventRecord {
  uint32_t windowId;
  uint32_t unitId;  // 0: the window's own unit
  int32_t eventIndex;
  uint32_t count;   // 0-5
  uint32_t arguments[5];
  uint32_t hasResult;
  uint32_t result;
};
static_assert(sizeof(EventRecord) == 11 * 4);
static_assert(offsetof(EventRecord, hasResult) == 9 * 4);

// HostService 2031.
struct TypedEventRecord {
  uint32_t windowId;
  uint32_t unitId;
  int32_t eventIndex;
  uint32_t count;  // 0-12
  EventArgument arguments[12];
  uint32_t hasResult;
  uint32_t resultLow;
  uint32_t resultHigh;
};
static_assert(sizeof(TypedEventRecord) == 55 * 4);
static_assert(offsetof(TypedEventRecord, hasResult) == 52 * 4);

// How a handler returns a value: the dispatcher passes the address of a
// zeroed EventResult after the handler's own arguments; a handler that
// returns a value sets hasResult to 1 and fills low (and high).
struct EventResult {
  uint32_t hasResult;
  uint32_t low;
  uint32_t high;
};
static_assert(sizeof(EventResult) == 12);

// HostService 2038: in windowId and commandId, out the rest.
struct MenuItemQuery {
  uint32_t windowId;
  uint32_t commandId;  // 20000 + position in the window's menu-item run
  uint32_t unitId;
  int32_t level;
  uint32_t visible;
  char caption[252];  // at most 250 bytes and a terminator
};
static_assert(sizeof(MenuItemQuery) == 272);
constexpr uint32_t kMenuCommandBase = 20000;
constexpr uint32_t kMenuCaptionLimit = 250;
