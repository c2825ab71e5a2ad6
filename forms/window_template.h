// The window template: every window of the application and every unit on it,
// read once at startup from the program image's template segment. The
// in-memory form is also the runtime's live window registry: unit records
// keep their stored layout, and their object and cursor slots hold the live
// unit objects while a window is loaded. Pure code.
//
// Segment layout (all integers little-endian, int32 signed, word unsigned):
//   window table   counted block: N window ids, then N reserved words
//   N windows      A, B (int32), S1, S2 (counted strings), unit count U,
//                  unit table (counted block)
// Unit table block: U unit ids, U int32 offsets, then the records. Offset k is
// counted from the first byte after the offsets to record k; a record is an
// int32 size S followed by S bytes of record data.
//
// The image is trusted for meaning, not for memory safety: LoadTemplate
// rejects any table whose records do not lie inside it or cannot be walked,
// so every accessor below stays inside the bytes it was given.
#pragma once
#include <cstddef>
#include <cstdint>

using WindowId = uint32_t;
using UnitId = uint32_t;

// Identifiers: class bits in the top byte, serial number in the low 24 bits.
enum : uint32_t {
  kIdClassWindowUnit = 0x06,  // a window's own unit, entry 0 of its table
  kIdClassUnit = 0x16,
  kIdClassMenuItem = 0x26,
  kIdClassWindow = 0x52,
  kIdSerialMask = 0x00FFFFFF,
};

constexpr uint32_t IdClass(uint32_t id) { return id >> 24; }
constexpr uint32_t IdSerial(uint32_t id) { return id & kIdSerialMask; }
constexpr uint32_t MakeId(uint32_t idClass, uint32_t serial) {
  return idClass << 24 | (serial & kIdSerialMask);
}
constexpr bool IsValidId(uint32_t id) { return IdSerial(id) != 0 && (id & 0x0F000000) != 0; }
constexpr bool IsMenuItemId(uint32_t id) { return IdClass(id) == kIdClassMenuItem; }

// Unit type codes: 1-based library number << 16 | 1-based type number.
enum : uint32_t {
  kUnitTypeWindow = 0x00010001,
  kUnitTypeMenu = 0x00010003,
  kUnitTypeEditBox = 0x00010005,
  kUnitTypeLabel = 0x0001000A,
  kUnitTypeTabContainer = 0x00010015,
  kUnitTypeSuperBtn = 0x00020001,
  kUnitTypeTransLabel = 0x00030005,
};
constexpr bool IsValidUnitTypeCode(uint32_t code) { return code >= 1 && code <= 0x3FFFFFFF; }

// Unit record flags word.
enum : uint32_t { kUnitVisible = 1, kUnitDisabled = 2, kUnitTabStop = 4 };
// Menu item flags word.
enum : uint32_t { kMenuHidden = 1, kMenuDisabled = 2, kMenuChecked = 4 };

// Bytes every record kind starts with: type code, event-link unit, 4 reserved.
constexpr uint32_t kRecordHeaderSize = 24;
constexpr uint32_t kRecordTypeCode = 0;
constexpr uint32_t kRecordEventLink = 4;
constexpr uint32_t kRecordReservedTail = 20;  // after bindings / menu slot

// One window's unit table: the count and the block exactly as stored
// (handlers relocated). Empty: count 0, block null.
struct UnitTable {
  uint32_t count;
  uint8_t* block;
  uint32_t size;  // bytes in block
};

struct WindowRecord {
  int32_t a;  // A, B, S1, S2: kept for the writer, not interpreted
  int32_t b;
  char* s1;  // zero-terminated heap copies; null when empty
  uint32_t s1Length;
  char* s2;
  uint32_t s2Length;
  UnitTable live;
  UnitTable snapshot;  // live table as it was when the window was loaded
};

// The registry: window ids and their records, in window-table order.
struct WindowTemplate {
  uint32_t count;
  WindowId* ids;
  WindowRecord** records;
};

// Where the fields of a (non-menu) unit record lie: offsets from the start of
// the record data, lengths in bytes or entries.
struct UnitRecordLayout {
  uint32_t name, nameLength;  // texts without their terminators
  uint32_t comment, commentLength;
  uint32_t objectSlot;
  uint32_t left, top, width, height;
  uint32_t cursorSlot;
  uint32_t parent;
  uint32_t childCount;  // offset of the count word
  uint32_t children;    // childCountValue words; 0 separates pages
  uint32_t childCountValue;
  uint32_t mousePointer;  // offset of the length word; data follow it
  uint32_t mousePointerData, mousePointerLength;
  uint32_t tag, tagLength;
  uint32_t reserved;
  uint32_t flags;
  uint32_t tabOrder;
  uint32_t bindingCount;  // offset of the count word
  uint32_t bindings;      // bindingCountValue pairs (int32 event, handler word)
  uint32_t bindingCountValue;
  uint32_t propertyBlock, propertyBlockLength;
};

struct MenuItemLayout {
  uint32_t name, nameLength;
  uint32_t comment, commentLength;
  uint32_t shortcut;  // int32: 1-77 a key-name entry, 0 none
  uint32_t level;     // int32 nesting level
  uint32_t flags;
  uint32_t caption, captionLength;
  uint32_t handler;
  uint32_t slot;  // the submenu made for the item at run time
  uint32_t end;   // after the 20 reserved bytes
};

// Record walking, shared by every reader. False when the record is too short
// for its fields or a count is negative.
bool WalkUnitRecord(const uint8_t* data, uint32_t size, UnitRecordLayout* layout);
bool WalkMenuItemRecord(const uint8_t* data, uint32_t size, MenuItemLayout* layout);

// What the runtime reports when LoadTemplate fails (GBK):
// 载入窗口模板数据段出错!
constexpr char kTemplateLoadErrorText[] =
    "\xD4\xD8\xC8\xEB\xB4\xB0\xBF\xDA\xC4\xA3\xB0\xE5\xCA\xFD\xBE\xDD\xB6\xCE\xB3\xF6\xB4\xED!";

// Reads the segment and appends its windows to *registry, relocating every
// handler against codeBase (stored -1 becomes 0 = none, v becomes
// codeBase + v). Size 0 loads nothing and succeeds. On a read past the end,
// a table that cannot be walked, or an allocation failure, nothing is
// appended and the result is false.
bool LoadTemplate(WindowTemplate* registry, const uint8_t* segment, uint32_t size, uint32_t codeBase);
// Frees every record; the caller has already dealt with live objects.
void FreeWindowTemplate(WindowTemplate* registry);

// Lookups. Invalid identifiers find nothing.
WindowRecord* FindWindowRecord(const WindowTemplate& registry, WindowId id, uint32_t* index = nullptr);
inline uint32_t WindowCount(const WindowTemplate& registry) { return registry.count; }
WindowRecord* WindowRecordAt(const WindowTemplate& registry, uint32_t index);

// Record data of entry index (after its size word), null past the end.
// Valid until the table is changed by ReplaceRecordBytes or a snapshot swap.
uint8_t* UnitRecordAt(const UnitTable& table, uint32_t index, uint32_t* size = nullptr);
// Entry 0 is compared first, then the id array from the start.
uint8_t* FindUnitRecord(const UnitTable& table, UnitId id, uint32_t* size = nullptr, uint32_t* index = nullptr);
UnitId UnitIdAt(const UnitTable& table, uint32_t index);  // 0 past the end
bool IsMenuItem(const UnitTable& table, uint32_t index);
// Stored offset of entry index (from the end of the offsets array).
uint32_t RecordOffsetAt(const UnitTable& table, uint32_t index);

// Navigation to fields 6-22 of a unit record in a table; false for menu
// items and past the end.
bool RecordOf(const UnitTable& table, uint32_t index, UnitRecordLayout* layout);
bool MenuItemOf(const UnitTable& table, uint32_t index, MenuItemLayout* layout);
// Start and length of a unit record's property block.
bool PropertyBlockOf(const uint8_t* record, uint32_t size, const uint8_t** start, uint32_t* length);

// Handler bound to eventIndex in a unit record (first match in stored
// order), 0 when none.
uint32_t BindingHandler(const uint8_t* record, const UnitRecordLayout& layout, int32_t eventIndex);

// Follows event links from entry index: while the record names another
// record of the same type code, continue there. Returns the entry whose
// bindings apply. A cycle of links stops after as many steps as the table
// has entries instead of running forever.
uint32_t FollowEventLink(const UnitTable& table, uint32_t index);

// Replaces oldLength bytes at position (from the start of the record data)
// of record index by newBytes; oldLength -1 replaces the whole record data.
// The record's size word and every offset greater than its own change by the
// difference. Refused (table unchanged) when the range lies outside the
// record, the result is too big, the new record cannot be walked, or memory
// runs out. Record pointers into the table are stale afterwards.
bool ReplaceRecordBytes(UnitTable* table, uint32_t index, uint32_t position, int32_t oldLength,
                        const uint8_t* newBytes, uint32_t newLength);

// Load snapshot: copy the live table before the window's units are made, and
// put it back when the window is destroyed.
bool TakeLoadSnapshot(WindowRecord* window);
// Swaps the snapshot into the live table and frees the other one. Without a
// snapshot (the load never got that far) the live table is kept.
void RestoreLoadSnapshot(WindowRecord* window);
void FreeUnitTable(UnitTable* table);
bool CopyUnitTable(const UnitTable& from, UnitTable* to);
