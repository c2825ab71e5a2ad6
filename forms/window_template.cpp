#include "forms/window_template.h"

#include "forms/byte_reader.h"
#include "runtime/memory.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// Record walking

bool WalkUnitRecord(const uint8_t* data, uint32_t size, UnitRecordLayout* out) {
  ByteReader r(data, size);
  UnitRecordLayout l{};
  r.Skip(kRecordHeaderSize);
  l.name = r.position();
  r.Text(&l.nameLength);
  l.comment = r.position();
  r.Text(&l.commentLength);
  l.objectSlot = r.position();
  l.left = l.objectSlot + 4;
  l.top = l.objectSlot + 8;
  l.width = l.objectSlot + 12;
  l.height = l.objectSlot + 16;
  l.cursorSlot = l.objectSlot + 20;
  l.parent = l.objectSlot + 24;
  l.childCount = l.objectSlot + 28;
  r.Skip(28);
  int32_t children = r.Int();
  if (children < 0) return false;
  l.children = l.childCount + 4;
  l.childCountValue = uint32_t(children);
  r.SkipWords(l.childCountValue);
  l.mousePointer = r.position();
  r.Counted(&l.mousePointerLength);
  l.mousePointerData = l.mousePointer + 4;
  l.tag = r.position();
  r.Text(&l.tagLength);
  l.reserved = r.position();
  l.flags = l.reserved + 4;
  l.tabOrder = l.reserved + 8;
  l.bindingCount = l.reserved + 12;
  r.Skip(12);
  int32_t bindings = r.Int();
  if (bindings < 0) return false;
  l.bindings = l.bindingCount + 4;
  l.bindingCountValue = uint32_t(bindings);
  uint32_t bindingWords;
  if (!CheckedMul(l.bindingCountValue, 2, &bindingWords)) return false;
  r.SkipWords(bindingWords);
  r.Skip(kRecordReservedTail);
  if (!r.ok()) return false;
  l.propertyBlock = r.position();
  l.propertyBlockLength = r.remaining();
  *out = l;
  return true;
}

bool WalkMenuItemRecord(const uint8_t* data, uint32_t size, MenuItemLayout* out) {
  ByteReader r(data, size);
  MenuItemLayout l{};
  r.Skip(kRecordHeaderSize);
  l.name = r.position();
  r.Text(&l.nameLength);
  l.comment = r.position();
  r.Text(&l.commentLength);
  l.shortcut = r.position();
  l.level = l.shortcut + 4;
  l.flags = l.shortcut + 8;
  r.Skip(12);
  l.caption = r.position();
  r.Text(&l.captionLength);
  l.handler = r.position();
  l.slot = l.handler + 4;
  r.Skip(8 + kRecordReservedTail);
  if (!r.ok()) return false;
  l.end = r.position();
  *out = l;
  return true;
}

// ---------------------------------------------------------------------------
// Unit tables
//
// A table is accepted only when every record lies inside the block, no two
// records overlap, and every record walks. ReplaceRecordBytes keeps all three
// true, so the accessors never check more than the index.

static uint32_t RecordsStart(const UnitTable& t) { return 8 * t.count; }

uint32_t RecordOffsetAt(const UnitTable& table, uint32_t index) {
  if (index >= table.count) return 0;
  return LoadWord(table.block + 4 * (table.count + index));
}

UnitId UnitIdAt(const UnitTable& table, uint32_t index) {
  return index < table.count ? LoadWord(table.block + 4 * index) : 0;
}

bool IsMenuItem(const UnitTable& table, uint32_t index) {
  return index < table.count && IsMenuItemId(UnitIdAt(table, index));
}

uint8_t* UnitRecordAt(const UnitTable& table, uint32_t index, uint32_t* size) {
  if (index >= table.count) return nullptr;
  uint8_t* sizeWord = table.block + RecordsStart(table) + RecordOffsetAt(table, index);
  if (size) *size = LoadWord(sizeWord);
  return sizeWord + 4;
}

uint8_t* FindUnitRecord(const UnitTable& table, UnitId id, uint32_t* size, uint32_t* index) {
  if (!IsValidId(id) || table.count == 0) return nullptr;
  uint32_t found = 0;
  if (UnitIdAt(table, 0) != id) {
    found = 1;
    while (found < table.count && UnitIdAt(table, found) != id) ++found;
    if (found == table.count) return nullptr;
  }
  if (index) *index = found;
  return UnitRecordAt(table, found, size);
}

bool RecordOf(const UnitTable& table, uint32_t index, UnitRecordLayout* layout) {
  uint32_t size;
  uint8_t* data = UnitRecordAt(table, index, &size);
  return data && !IsMenuItem(table, index) && WalkUnitRecord(data, size, layout);
}

bool MenuItemOf(const UnitTable& table, uint32_t index, MenuItemLayout* layout) {
  uint32_t size;
  uint8_t* data = UnitRecordAt(table, index, &size);
  return data && IsMenuItem(table, index) && WalkMenuItemRecord(data, size, layout);
}

bool PropertyBlockOf(const uint8_t* record, uint32_t size, const uint8_t** start, uint32_t* length) {
  UnitRecordLayout l;
  if (!record || !WalkUnitRecord(record, size, &l)) return false;
  *start = record + l.propertyBlock;
  *length = l.propertyBlockLength;
  return true;
}

uint32_t BindingHandler(const uint8_t* record, const UnitRecordLayout& layout, int32_t eventIndex) {
  const uint8_t* b = record + layout.bindings;
  for (uint32_t i = 0; i < layout.bindingCountValue; ++i, b += 8)
    if (int32_t(LoadWord(b)) == eventIndex) return LoadWord(b + 4);
  return 0;
}

uint32_t FollowEventLink(const UnitTable& table, uint32_t index) {
  const uint8_t* record = UnitRecordAt(table, index);
  for (uint32_t steps = 0; record && steps < table.count; ++steps) {
    uint32_t next;
    const uint8_t* linked = FindUnitRecord(table, LoadWord(record + kRecordEventLink), nullptr, &next);
    if (!linked || LoadWord(linked + kRecordTypeCode) != LoadWord(record + kRecordTypeCode)) break;
    record = linked;
    index = next;
  }
  return index;
}

static bool RecordWalks(bool menuItem, const uint8_t* data, uint32_t size) {
  if (menuItem) {
    MenuItemLayout m;
    return WalkMenuItemRecord(data, size, &m);
  }
  UnitRecordLayout u;
  return WalkUnitRecord(data, size, &u);
}

struct RecordSpan {
  uint32_t begin, end;  // within the records area, size word included
};

// Checks the invariants above on a table that owns its block.
static bool TableIsSound(const UnitTable& t) {
  uint32_t start;
  if (!CheckedMul(t.count, 8, &start) || start > t.size) return false;
  if (t.count == 0) return true;
  const uint32_t area = t.size - start;
  uint32_t spanBytes;
  if (!CheckedMul(t.count, sizeof(RecordSpan), &spanBytes)) return false;
  auto* spans = static_cast<RecordSpan*>(AllocateRaw(spanBytes));
  if (!spans) return false;
  bool sound = true;
  for (uint32_t i = 0; i < t.count && sound; ++i) {
    uint32_t offset = RecordOffsetAt(t, i);
    uint32_t dataStart, size, end = 0;
    sound = offset <= area && area - offset >= 4 && CheckedAdd(offset, 4, &dataStart);
    if (!sound) break;
    size = LoadWord(t.block + start + offset);
    sound = size <= uint32_t(INT32_MAX) && CheckedAdd(dataStart, size, &end) && end <= area &&
            RecordWalks(IsMenuItemId(UnitIdAt(t, i)), t.block + start + dataStart, size);
    spans[i] = {offset, end};
  }
  if (sound) {
    std::sort(spans, spans + t.count, [](const RecordSpan& x, const RecordSpan& y) { return x.begin < y.begin; });
    for (uint32_t i = 1; i < t.count && sound; ++i) sound = spans[i - 1].end <= spans[i].begin;
  }
  FreeMemory(spans);
  return sound;
}

void FreeUnitTable(UnitTable* table) {
  FreeMemory(table->block);
  *table = UnitTable{};
}

bool CopyUnitTable(const UnitTable& from, UnitTable* to) {
  UnitTable copy{};
  if (from.block) {
    copy.block = static_cast<uint8_t*>(AllocateRaw(from.size));
    if (!copy.block) return false;
    std::memcpy(copy.block, from.block, from.size);
    copy.count = from.count;
    copy.size = from.size;
  }
  FreeUnitTable(to);
  *to = copy;
  return true;
}

static void Relocate(uint8_t* word, uint32_t codeBase) {
  uint32_t stored = LoadWord(word);
  StoreWord(word, stored == 0xFFFFFFFF ? 0 : codeBase + stored);
}

static void RelocateHandlers(UnitTable* t, uint32_t codeBase) {
  for (uint32_t i = 0; i < t->count; ++i) {
    uint32_t size;
    uint8_t* data = UnitRecordAt(*t, i, &size);
    if (IsMenuItem(*t, i)) {
      MenuItemLayout m;
      if (WalkMenuItemRecord(data, size, &m)) Relocate(data + m.handler, codeBase);
      continue;
    }
    UnitRecordLayout u;
    if (!WalkUnitRecord(data, size, &u)) continue;
    for (uint32_t k = 0; k < u.bindingCountValue; ++k) Relocate(data + u.bindings + 8 * k + 4, codeBase);
  }
}

bool ReplaceRecordBytes(UnitTable* table, uint32_t index, uint32_t position, int32_t oldLength,
                        const uint8_t* newBytes, uint32_t newLength) {
  uint32_t recordSize;
  const uint8_t* record = UnitRecordAt(*table, index, &recordSize);
  if (!record || (newLength && !newBytes)) return false;
  uint32_t removed = oldLength == -1 ? recordSize : uint32_t(oldLength);
  if (oldLength == -1) position = 0;
  uint32_t removedEnd;
  if (oldLength < -1 || !CheckedAdd(position, removed, &removedEnd) || removedEnd > recordSize) return false;

  // The new record size and block size must stay representable as int32.
  uint32_t newRecordSize = recordSize - removed;
  uint32_t newSize = table->size - removed;
  if (!CheckedAdd(newRecordSize, newLength, &newRecordSize) || newRecordSize > uint32_t(INT32_MAX) ||
      !CheckedAdd(newSize, newLength, &newSize) || newSize > uint32_t(INT32_MAX))
    return false;

  const uint32_t cut = uint32_t(record - table->block) + position;  // first replaced byte
  auto* block = static_cast<uint8_t*>(AllocateRaw(newSize));
  if (!block) return false;
  std::memcpy(block, table->block, cut);
  if (newLength) std::memcpy(block + cut, newBytes, newLength);
  std::memcpy(block + cut + newLength, table->block + cut + removed, table->size - cut - removed);

  UnitTable changed{table->count, block, newSize};
  const uint32_t ownOffset = RecordOffsetAt(*table, index);
  const uint32_t delta = newLength - removed;  // modulo 2^32: shrinking works too
  StoreWord(UnitRecordAt(changed, index) - 4, newRecordSize);
  for (uint32_t i = 0; i < changed.count; ++i) {
    uint32_t offset = RecordOffsetAt(changed, i);
    if (offset > ownOffset) StoreWord(block + 4 * (changed.count + i), offset + delta);
  }
  if (!RecordWalks(IsMenuItem(changed, index), UnitRecordAt(changed, index), newRecordSize)) {
    FreeMemory(block);
    return false;
  }
  FreeMemory(table->block);
  *table = changed;
  return true;
}

// ---------------------------------------------------------------------------
// Windows

static void FreeWindowRecord(WindowRecord* w) {
  if (!w) return;
  FreeMemory(w->s1);
  FreeMemory(w->s2);
  FreeUnitTable(&w->live);
  FreeUnitTable(&w->snapshot);
  FreeMemory(w);
}

bool TakeLoadSnapshot(WindowRecord* window) { return CopyUnitTable(window->live, &window->snapshot); }

void RestoreLoadSnapshot(WindowRecord* window) {
  if (!window->snapshot.block) return;
  UnitTable loaded = window->live;
  window->live = window->snapshot;
  window->snapshot = loaded;
  FreeUnitTable(&window->snapshot);
}

WindowRecord* WindowRecordAt(const WindowTemplate& registry, uint32_t index) {
  return index < registry.count ? registry.records[index] : nullptr;
}

WindowRecord* FindWindowRecord(const WindowTemplate& registry, WindowId id, uint32_t* index) {
  if (!IsValidId(id)) return nullptr;
  for (uint32_t i = 0; i < registry.count; ++i) {
    if (registry.ids[i] == id) {
      if (index) *index = i;
      return registry.records[i];
    }
  }
  return nullptr;
}

// Heap copy of a counted string; false only when memory runs out.
static bool CopyText(const uint8_t* bytes, uint32_t length, char** text, uint32_t* textLength) {
  *text = nullptr;
  *textLength = 0;
  if (length == 0) return true;
  uint32_t size;
  if (!CheckedAdd(length, 1, &size)) return false;
  *text = static_cast<char*>(AllocateRaw(size));
  if (!*text) return false;
  std::memcpy(*text, bytes, length);
  (*text)[length] = 0;
  *textLength = length;
  return true;
}

static WindowRecord* ReadWindowRecord(ByteReader* r, uint32_t codeBase) {
  auto* w = static_cast<WindowRecord*>(AllocateRaw(sizeof(WindowRecord)));
  if (!w) return nullptr;
  *w = WindowRecord{};
  w->a = r->Int();
  w->b = r->Int();
  uint32_t length;
  const uint8_t* s1 = r->Counted(&length);
  bool ok = r->ok() && CopyText(s1, length, &w->s1, &w->s1Length);
  const uint8_t* s2 = r->Counted(&length);
  ok = ok && r->ok() && CopyText(s2, length, &w->s2, &w->s2Length);
  int32_t units = r->Int();
  const uint8_t* block = r->Counted(&length);
  ok = ok && r->ok() && units >= 0;
  if (ok && length > 0) {
    w->live.block = static_cast<uint8_t*>(AllocateRaw(length));
    ok = w->live.block != nullptr;
    if (ok) {
      std::memcpy(w->live.block, block, length);
      w->live.count = uint32_t(units);
      w->live.size = length;
    }
  } else if (ok) {
    ok = units == 0;  // an empty block holds no entries
  }
  ok = ok && TableIsSound(w->live);
  if (!ok) {
    FreeWindowRecord(w);
    return nullptr;
  }
  RelocateHandlers(&w->live, codeBase);
  return w;
}

static void FreeWindows(WindowRecord** records, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) FreeWindowRecord(records[i]);
  FreeMemory(records);
}

bool LoadTemplate(WindowTemplate* registry, const uint8_t* segment, uint32_t size, uint32_t codeBase) {
  if (size == 0) return true;
  if (!segment) return false;
  ByteReader r(segment, size);
  uint32_t tableLength;
  const uint8_t* table = r.Counted(&tableLength);
  if (!r.ok()) return false;
  const uint32_t n = tableLength / 8;
  if (n == 0) return true;

  // The reader's own window list; handed over only when everything is read.
  auto* records = static_cast<WindowRecord**>(AllocateRaw(n * uint32_t(sizeof(WindowRecord*))));
  if (!records) return false;
  uint32_t read = 0;
  while (read < n) {
    records[read] = ReadWindowRecord(&r, codeBase);
    if (!records[read]) break;
    ++read;
  }
  uint32_t total;
  WindowId* ids = nullptr;
  WindowRecord** all = nullptr;
  bool ok = read == n && CheckedAdd(registry->count, n, &total) && total <= UINT32_MAX / 8;
  if (ok) {
    ids = static_cast<WindowId*>(AllocateRaw(total * uint32_t(sizeof(WindowId))));
    all = static_cast<WindowRecord**>(AllocateRaw(total * uint32_t(sizeof(WindowRecord*))));
    ok = ids && all;
  }
  if (!ok) {
    FreeMemory(ids);
    FreeMemory(all);
    FreeWindows(records, read);
    return false;
  }
  if (registry->count) {
    std::memcpy(ids, registry->ids, registry->count * sizeof(WindowId));
    std::memcpy(all, registry->records, registry->count * sizeof(WindowRecord*));
  }
  for (uint32_t i = 0; i < n; ++i) {
    ids[registry->count + i] = LoadWord(table + 4 * i);
    all[registry->count + i] = records[i];
  }
  FreeMemory(records);
  FreeMemory(registry->ids);
  FreeMemory(registry->records);
  *registry = WindowTemplate{total, ids, all};
  return true;
}

void FreeWindowTemplate(WindowTemplate* registry) {
  FreeWindows(registry->records, registry->count);
  FreeMemory(registry->ids);
  *registry = WindowTemplate{};
}
