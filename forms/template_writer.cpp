#include "forms/template_writer.h"

#include "forms/byte_writer.h"

#include <algorithm>

static bool CountFits(size_t n) { return n <= size_t(INT32_MAX); }

bool EncodeUnitRecord(const TemplateUnit& unit, std::vector<uint8_t>* out) {
  if (IsMenuItemId(unit.id) || !CountFits(unit.children.size()) || !CountFits(unit.bindings.size()))
    return false;
  ByteWriter w;
  w.Word(unit.typeCode);
  w.Word(unit.eventLink);
  w.Zeros(16);
  w.Text(unit.name);
  w.Text(unit.comment);
  w.Word(0);  // object slot
  w.Int(unit.left);
  w.Int(unit.top);
  w.Int(unit.width);
  w.Int(unit.height);
  w.Word(0);  // cursor slot
  w.Word(unit.parent);
  w.Int(int32_t(unit.children.size()));
  for (UnitId child : unit.children) w.Word(child);
  w.Counted(unit.mousePointer);
  w.Text(unit.tag);
  w.Word(0);
  w.Word(unit.flags);
  w.Int(unit.tabOrder);
  w.Int(int32_t(unit.bindings.size()));
  for (const TemplateBinding& b : unit.bindings) {
    w.Int(b.eventIndex);
    w.Int(b.handler);
  }
  w.Zeros(kRecordReservedTail);
  w.Bytes(unit.propertyBlock);
  if (!w.ok() || !CountFits(w.size())) return false;
  *out = std::move(w.bytes());
  return true;
}

bool EncodeMenuItemRecord(const TemplateMenuItem& item, std::vector<uint8_t>* out) {
  if (!IsMenuItemId(item.id)) return false;
  ByteWriter w;
  w.Word(item.typeCode);
  w.Word(item.eventLink);
  w.Zeros(16);
  w.Text(item.name);
  w.Text(item.comment);
  w.Int(item.shortcut);
  w.Int(item.level);
  w.Word(item.flags);
  w.Text(item.caption);
  w.Int(item.handler);
  w.Word(0);  // slot
  w.Zeros(kRecordReservedTail);
  if (!w.ok()) return false;
  *out = std::move(w.bytes());
  return true;
}

// The unit table block: ids, offsets, then size-prefixed records, in the
// table order units[0 .. run), menu items, units[run ..].
static bool WriteUnitTable(const TemplateWindow& window, ByteWriter* w) {
  size_t run = std::min(window.menuRunAt, window.units.size());
  if (!window.menuItems.empty() && run == 0) return false;  // entry 0 is the window's own unit
  std::vector<UnitId> ids;
  std::vector<std::vector<uint8_t>> records;
  auto addUnit = [&](const TemplateUnit& unit) {
    records.emplace_back();
    ids.push_back(unit.id);
    return EncodeUnitRecord(unit, &records.back());
  };
  for (size_t i = 0; i < run; ++i)
    if (!addUnit(window.units[i])) return false;
  for (const TemplateMenuItem& item : window.menuItems) {
    records.emplace_back();
    ids.push_back(item.id);
    if (!EncodeMenuItemRecord(item, &records.back())) return false;
  }
  for (size_t i = run; i < window.units.size(); ++i)
    if (!addUnit(window.units[i])) return false;

  size_t count = ids.size();
  size_t blockSize = 8 * count;
  for (const auto& r : records) blockSize += 4 + r.size();
  if (!CountFits(count) || !CountFits(blockSize)) return false;

  w->Int(int32_t(count));
  w->Int(int32_t(blockSize));
  for (UnitId id : ids) w->Word(id);
  size_t offset = 0;
  for (const auto& r : records) {
    w->Word(uint32_t(offset));
    offset += 4 + r.size();
  }
  for (const auto& r : records) w->Counted(r);
  return w->ok();
}

bool WriteTemplate(const TemplateDescription& description, std::vector<uint8_t>* out) {
  const auto& windows = description.windows;
  if (windows.size() > size_t(INT32_MAX) / 8) return false;
  ByteWriter w;
  w.Int(int32_t(8 * windows.size()));
  for (const TemplateWindow& window : windows) w.Word(window.id);
  w.Zeros(4 * windows.size());  // reserved; the record addresses in memory
  for (const TemplateWindow& window : windows) {
    w.Int(window.a);
    w.Int(window.b);
    w.Counted(window.s1);
    w.Counted(window.s2);
    if (!WriteUnitTable(window, &w)) return false;
  }
  if (!w.ok() || w.size() > UINT32_MAX) return false;
  *out = std::move(w.bytes());
  return true;
}
